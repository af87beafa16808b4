#include "import/records/ImportStatistics.h"

namespace kvn {

const char* DropReasonText(DropReason reason) {
  switch (reason) {
    case DropReason::UnknownName: return "unknown name";
    case DropReason::NotDrawn: return "type not drawn";
    case DropReason::VertexOutsidePolyline: return "vertex outside a polyline";
    case DropReason::NotImportedYet: return "not imported yet";
    case DropReason::UnknownOwner: return "unknown owner";
    case DropReason::UnknownClass: return "unknown class";
    case DropReason::NoVisibleEdge: return "no visible edge";
    case DropReason::NoGeometry: return "no geometry";
    case DropReason::NoPicture: return "no picture";
  }
  return "unknown";
}

const char* LossReasonText(LossReason reason) {
  switch (reason) {
    case LossReason::UnreadableNumber: return "unreadable number";
    case LossReason::ExtentNotFinite: return "extent not finite";
    case LossReason::ExtentTooLarge: return "extent beyond 1e20";
    case LossReason::ExpansionCut: return "expansion past the cap";
    case LossReason::OnNoSheet: return "on no sheet";
    case LossReason::DamagedCount: return "damaged count";
    case LossReason::PictureTooLarge: return "picture too large";
    case LossReason::PictureNotFound: return "picture file not found";
    case LossReason::PictureNotRead: return "picture file not read";
    case LossReason::PictureUnnamed: return "no picture file named";
    case LossReason::PictureInPart: return "picture read in part";
    case LossReason::PictureNoArea: return "no area where placed";
  }
  return "unknown";
}

bool LossDropsObject(LossReason reason) {
  return reason == LossReason::ExtentNotFinite || reason == LossReason::ExtentTooLarge ||
         reason == LossReason::OnNoSheet || reason == LossReason::DamagedCount ||
         reason == LossReason::PictureTooLarge || reason == LossReason::PictureNotFound ||
         reason == LossReason::PictureNotRead || reason == LossReason::PictureUnnamed ||
         reason == LossReason::PictureNoArea;
}

std::uint64_t ImportStatistics::Handed(ImportSpace space, const std::string& name) const {
  auto it = handed_[int(space)].find(name);
  return it == handed_[int(space)].end() ? 0 : it->second;
}

std::uint64_t ImportStatistics::Apart(const std::string& name) const {
  auto it = apart_.find(name);
  return it == apart_.end() ? 0 : it->second;
}

std::uint64_t ImportStatistics::Dropped(const std::string& name, DropReason reason) const {
  auto it = dropped_.find({name, reason});
  return it == dropped_.end() ? 0 : it->second;
}

std::uint64_t ImportStatistics::DroppedByName(const std::string& name) const {
  std::uint64_t n = 0;
  for (const auto& [key, count] : dropped_) {
    if (key.first == name) n += count;
  }
  return n;
}

std::uint64_t ImportStatistics::TotalHanded(ImportSpace space) const {
  std::uint64_t n = 0;
  for (const auto& [name, count] : handed_[int(space)]) n += count;
  return n;
}

std::uint64_t ImportStatistics::TotalDropped() const {
  std::uint64_t n = 0;
  for (const auto& [key, count] : dropped_) n += count;
  return n;
}

std::map<std::string, std::uint64_t> ImportStatistics::SkippedByName() const {
  std::map<std::string, std::uint64_t> out;
  for (const auto& [key, count] : dropped_) out[key.first] += count;
  return out;
}

std::uint64_t ImportStatistics::Lost(const std::string& name, LossReason reason) const {
  auto it = lost_.find({name, reason});
  return it == lost_.end() ? 0 : it->second;
}

std::uint64_t ImportStatistics::TotalLost(LossReason reason) const {
  std::uint64_t n = 0;
  for (const auto& [key, count] : lost_) {
    if (key.second == reason) n += count;
  }
  return n;
}

}  // namespace kvn
