// What the DWG reader made of the objects of a drawing, per DWG type name:
// how many were read with their handler and how many were skipped, and why.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace kvn {

enum class DwgSkipReason {
  NoHandler,      // a type whose data this reader does not decode
  UnknownClass,   // a class number the classes section does not name
  CrcMismatch,    // the check word differs
  Overrun,        // the data ran past the object's bytes (or its frame is invalid)
  HandlerFailed,  // a step of the type's own data failed
  DataEndMissed,  // the data did not end where the object said
};

const char* DwgSkipReasonText(DwgSkipReason reason);
// Whether the reason says the file is damaged at the object (the others are
// objects this reader does not draw).
bool IsDwgDamage(DwgSkipReason reason);

class DwgObjectStatistics {
 public:
  DwgObjectStatistics() = default;
  // It keeps pointers into its own counts.
  DwgObjectStatistics(const DwgObjectStatistics&) = delete;
  DwgObjectStatistics& operator=(const DwgObjectStatistics&) = delete;

  // Objects of one type often follow one another: the last type's count is
  // kept at hand (a map's entries stay where they are).
  void CountRead(const std::string& type) {
    if (!lastRead_ || type != lastReadType_) {
      lastReadType_ = type;
      lastRead_ = &read_[type];
    }
    ++*lastRead_;
  }
  void CountSkipped(const std::string& type, DwgSkipReason reason) { ++skipped_[{type, reason}]; }
  // An entity the file places in model space, by its DXF type name, whether
  // or not its own data was read.
  void CountModelEntity(const std::string& dxfName) { ++model_[dxfName]; }
  void CountPaperEntity(const std::string& dxfName) { ++paper_[dxfName]; }
  // An entity owned by a block record (the active paper space's are in
  // CountPaperEntity; the other layouts' are found by their block's name).
  void CountBlockEntity(std::uint64_t owner, const std::string& dxfName) {
    // A block's entities follow one another: its counts are kept at hand.
    if (!lastOwned_ || owner != lastOwner_) {
      lastOwner_ = owner;
      lastOwned_ = &owned_[owner];
      lastOwnedCount_ = nullptr;
    }
    if (!lastOwnedCount_ || dxfName != lastOwnedName_) {
      lastOwnedName_ = dxfName;
      lastOwnedCount_ = &(*lastOwned_)[dxfName];
    }
    ++*lastOwnedCount_;
  }

  std::uint64_t Read(const std::string& type) const;
  std::uint64_t Skipped(const std::string& type, DwgSkipReason reason) const;
  std::uint64_t TotalRead() const;
  std::uint64_t TotalSkipped() const;
  // Objects skipped because the file is damaged there.
  std::uint64_t TotalDamaged() const;
  const std::map<std::string, std::uint64_t>& ReadCounts() const { return read_; }
  const std::map<std::pair<std::string, DwgSkipReason>, std::uint64_t>& SkippedCounts() const { return skipped_; }
  const std::map<std::string, std::uint64_t>& ModelEntities() const { return model_; }
  const std::map<std::string, std::uint64_t>& PaperEntities() const { return paper_; }
  const std::map<std::uint64_t, std::map<std::string, std::uint64_t>>& BlockEntities() const { return owned_; }

 private:
  std::map<std::string, std::uint64_t> read_;
  std::map<std::pair<std::string, DwgSkipReason>, std::uint64_t> skipped_;
  std::map<std::string, std::uint64_t> model_, paper_;
  std::map<std::uint64_t, std::map<std::string, std::uint64_t>> owned_;
  std::uint64_t lastOwner_ = 0;
  std::map<std::string, std::uint64_t>* lastOwned_ = nullptr;
  std::string lastOwnedName_;
  std::uint64_t* lastOwnedCount_ = nullptr;
  std::string lastReadType_;
  std::uint64_t* lastRead_ = nullptr;
};

}  // namespace kvn
