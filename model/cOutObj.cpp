#include "model/cOutObj.h"

#include <algorithm>

#include "foundation/ArchiveWriter.h"

namespace kvn {

cOutObj::cOutObj(std::uint8_t typeCode) : typeByte_(typeCode) {}

cOutObj::~cOutObj() = default;

ObjectChain cOutObj::Resolve(cDrawingData*, bool) {
  flags_ |= kFlagResolved;
  return {};
}

void cOutObj::Write(cDrawingData*, ArchiveWriter&) const {}
ObjectChain cOutObj::Explode(cDrawingData*) { return {}; }
void cOutObj::Move(const DPoint&) {}
void cOutObj::ScaleLineWidths(const TransformContext&, double) {}
bool cOutObj::Rotate(const TransformContext&, const DPoint&, double) { return false; }
ObjectChain cOutObj::Read(ReadContext*, cDrawingData*, ArchiveReader&, int) { return {}; }
void cOutObj::SetPoints(const DPoint*, int) {}
void cOutObj::Draw(cDrawInfo*) {}
void cOutObj::DrawOutline(std::uint32_t, cDrawInfo*, bool) {}
bool cOutObj::Scale(const TransformContext&, const DPoint&, const DPoint&) { return true; }
void cOutObj::AddStrokeExtent(cDrawingData*, DRect&) {}
void cOutObj::AddFullExtent(cDrawingData*, DRect&) {}

void cOutObj::Assign(const cOutObj& source) {
  level_ = source.level_;
  CopyVisibilityFlags(source);
  CopyExtraFlags(source);
  CopyPages(source);
  flags_ |= kFlagDirty;
}

void cOutObj::CopyVisibilityFlags(const cOutObj& source) {
  constexpr std::uint8_t bits = kFlagStored | kFlagHidden;
  flags_ = std::uint8_t((flags_ & ~bits) | (source.flags_ & bits));
}

void cOutObj::CopyExtraFlags(const cOutObj& source) {
  constexpr std::uint8_t bits =
      kFlagSymbolFollows | kFlagResolved | kFlagInsertGenerated | kFlagGenerated | kFlagRecoloured;
  flags_ = std::uint8_t((flags_ & ~bits) | (source.flags_ & bits));
}

void cOutObj::CopyPages(const cOutObj& source) {
  pageId_ = source.pageId_;
  pageList_.reset();
  if (source.pageList_) {
    pageList_ = std::make_unique<GrowArray<std::uint16_t>>(8);
    pageList_->AppendN(source.pageList_->Items(), source.pageList_->Count());
  }
  flags_ |= kFlagDirty;
}

void cOutObj::SetPage(std::uint16_t id) {
  pageList_.reset();
  pageId_ = id;
}

std::uint16_t cOutObj::GetPageId(std::uint32_t i) const {
  if (!pageList_) return pageId_;
  const std::uint16_t* id = pageList_->Get(i);
  return id ? *id : 0;
}

void cOutObj::SetPagesFromMask(const PageMask& mask) {
  if (mask.allPages) {
    SetPage(kAllPages);
    return;
  }
  auto pages = std::make_unique<GrowArray<std::uint16_t>>(8);
  for (std::uint16_t p = 0; p <= 4095; ++p) {
    if (mask.bits[p / 8] & (0x80 >> (p % 8))) pages->Add(p);
  }
  if (pages->Count() == 0) return;
  if (pages->Count() == 1) {
    SetPage((*pages)[0]);
    return;
  }
  pageId_ = kNoPage;
  pageList_ = std::move(pages);
}

bool cOutObj::IsOnPage(std::uint16_t page) const {
  if (pageList_) {
    for (std::uint16_t id : *pageList_) {
      if (id == page) return true;
    }
    return false;
  }
  return pageId_ == kAllPages || pageId_ == page;
}

bool cOutObj::HasSamePages(const cOutObj& other) const {
  auto view = [](const cOutObj& o, const std::uint16_t*& ids) -> std::uint32_t {
    if (o.pageList_) {
      ids = o.pageList_->Items();
      return o.pageList_->Count();
    }
    ids = &o.pageId_;
    return 1;
  };
  const std::uint16_t *a = nullptr, *b = nullptr;
  std::uint32_t na = view(*this, a), nb = view(other, b);
  return na == nb && std::equal(a, a + na, b);
}

void cOutObj::ScaleUniform(cDrawingData* data, double factor, const TransformContext& context) {
  TransformContext withData = context;
  withData.data = data;
  Scale(withData, DPoint{0, 0}, DPoint{factor, factor});
  ScaleLineWidths(withData, factor);
}

bool cOutObj::IsSameRecord(const cOutObj& other, ByteArray& scratchA, ByteArray& scratchB) const {
  scratchA.Clear();
  scratchB.Clear();
  {
    ArchiveWriter w(&scratchA);
    Write(nullptr, w);
  }
  {
    ArchiveWriter w(&scratchB);
    other.Write(nullptr, w);
  }
  return scratchA.Count() == scratchB.Count() &&
         std::equal(scratchA.begin(), scratchA.end(), scratchB.begin());
}

void cOutObj::UpdateMarked(cDrawingData* data) {
  flags_ &= std::uint8_t(~kFlagDirty);
  Recalc(data);
}

DRect& cOutObj::GetExtentUpdated(cDrawingData* data, DRect& out) {
  UpdateIfDirty(data);
  return GetExtent(out);
}

DRect& cOutObj::GetStrokeExtent(cDrawingData* data, DRect& out) {
  GetExtentUpdated(data, out);
  AddStrokeExtent(data, out);
  return out;
}

DRect& cOutObj::GetFullExtent(cDrawingData* data, DRect& out) {
  GetExtentUpdated(data, out);
  AddFullExtent(data, out);
  return out;
}

}  // namespace kvn
