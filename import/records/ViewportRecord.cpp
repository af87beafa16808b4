#include "import/records/ViewportRecord.h"

#include "import/records/ImportMatrix.h"
#include "import/records/SpoolStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cSection.h"

namespace kvn {

cOneViewPort::cOneViewPort(const YxxfGroupRecord* record, std::uint16_t code) : SpooledRecord(record, code) {
  if (!record) return;
  paperCentre = record->GetPoint3(10);
  paperWidth = record->GetDouble(40);
  paperHeight = record->GetDouble(41);
  viewportId = record->GetInt(69);
  if (record->FindIndex(45) >= 0) {
    record->GetPoint2(viewCentre[0], viewCentre[1], 12);
    viewTarget = record->GetPoint3(17);
    viewDirection = record->GetPoint3(16);
    viewHeight = record->GetDouble(45);
    twist = record->GetDouble(51);
  } else {
    std::int64_t first = record->FindIndex(1010);
    if (first >= 0) {
      viewTarget = record->GetPoint3(1010, std::uint32_t(first));
      std::int64_t second = record->FindIndex(1010, std::uint32_t(first) + 1);
      if (second >= 0) viewDirection = record->GetPoint3(1010, std::uint32_t(second));
    }
    std::uint32_t at = 0;
    double* targets[4] = {&twist, &viewHeight, &viewCentre[0], &viewCentre[1]};
    for (double* t : targets) {
      if (!record->FindDouble(*t, 1040, &at)) break;
    }
  }
  std::uint32_t at = 0;
  std::uint64_t handle = 0;
  while (at < record->Count()) {
    std::int64_t i = record->FindIndex(331, at);
    if (i < 0) break;
    at = std::uint32_t(i);
    if (record->FindHandle(handle, 331, &at)) {
      frozenLayers.push_back(handle);
    } else {
      at = std::uint32_t(i) + 1;
    }
  }
}

ObjectChain cOneViewPort::MakeObject(const ImportMatrix*, YxxfReader* reader, void*) const {
  if (!(viewHeight > 0.0)) return ObjectChain();
  auto section = std::make_unique<cSection>();
  const double w = paperWidth / 2, h = paperHeight / 2;
  section->insertPoint = DPoint{paperCentre.x - w, -(paperCentre.y - h)};
  section->framePoint = DPoint{paperCentre.x + w, -(paperCentre.y + h)};
  section->automaticFrame = 0;
  section->scale = paperHeight / viewHeight;

  ImportMatrix view;
  if (reader) {
    if (const YxxfViewportRec* model = YxxfReader::FindModelViewport(*reader, nullptr)) {
      view = BuildViewMatrix(model->direction, model->twist);
    }
  }
  const Vec3 t = view.TransformPoint(viewTarget);
  // The view shows its source point at the frame's centre.
  section->sourcePoint = DPoint{t.x + viewCentre[0], -(t.y + viewCentre[1])};

  if (reader) {
    for (std::uint64_t handle : frozenLayers) {
      for (std::uint32_t i = 0; i < reader->layers.Count() && i < 65535; ++i) {
        if (reader->layers[i]->handle == handle) {
          section->selectionValues.Add(std::uint16_t(i));
          break;
        }
      }
    }
  }
  section->MarkDirty();
  return ObjectChain(section.release());
}

void cOneViewPort::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  w.U32(std::uint32_t(frozenLayers.size()));
  for (std::uint64_t h : frozenLayers) w.U64(h);
}

bool cOneViewPort::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  frozenLayers.assign(r.Count(8), 0);
  for (std::uint64_t& h : frozenLayers) h = r.U64();
  return r.Ok();
}

}  // namespace kvn
