#include "model/cWmf.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "model/PictureServices.h"
#include "model/ReadState.h"
#include "platform/gdi/Clipboard.h"
#include "platform/metafile/WmfToEmf.h"
#include "render/DrawInfo.h"

namespace kvn {

cWmf::cWmf() : cFramedPicture(kTypeWmf) {}

cWmf::~cWmf() = default;

bool cWmf::CopyToClipboard() const {
  if (!bits_ || !bits_->bytes || bits_->bytes->empty()) return false;
  return SetClipboardData(kCfEnhMetafile, bits_->bytes->data(), bits_->bytes->size());
}

namespace {
MetafileExplodeFn g_explode = nullptr;
}  // namespace

void SetMetafileExploder(MetafileExplodeFn explode) { g_explode = explode; }
MetafileExplodeFn GetMetafileExploder() { return g_explode; }

void cWmf::SetBits(std::vector<std::uint8_t> bytes) {
  bits_ = std::make_shared<MetafileBits>();
  bits_->bytes = std::move(bytes);
  objectCache.reset();
  MarkDirty();
}

const EmfDocument* cWmf::GetMetafileHandle() {
  if (!bits_) return nullptr;
  if (!bits_->handleTried) {
    bits_->handleTried = true;
    // The bytes pass the metafile checks here or never get a handle.
    if (bits_->bytes && !bits_->bytes->empty())
      bits_->handle = EmfDocument::FromBytes(bits_->bytes->data(), bits_->bytes->size());
  }
  return bits_->handle ? &*bits_->handle : nullptr;
}

// ---- record ----

void cWmf::Write(cDrawingData*, ArchiveWriter& w) const {
  if (!bits_) return;
  WriteHeader(w);
  w.WriteRealPoint(frame.origin);
  w.WriteRealPoint({frame.width, frame.height});
  w.WriteCompactDouble(frame.angle);
  w.Flush();
  if (!bits_->bytes) {
    w.WriteRaw32(0);
    return;
  }
  w.WriteRaw32(std::uint32_t(bits_->bytes->size()));
  w.Write(bits_->bytes->data(), std::uint32_t(bits_->bytes->size()));
}

ObjectChain cWmf::Read(ReadContext* context, cDrawingData*, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  MarkDirty();
  bool gotBits = false;
  if (version < 3061) {
    frame.origin = r.ReadFloatPoint();
    const DPoint size = r.ReadFloatPoint();
    frame.width = size.x;
    frame.height = size.y;
    const std::int16_t xExt = r.ReadInt16();
    const std::int16_t yExt = r.ReadInt16();
    const std::uint32_t n = r.ReadRaw32();
    std::vector<std::uint8_t> wmf;
    if (n > 0 && r.ReadIntoVector(wmf, n)) {
      gotBits = true;
      // The stored extents are the picture's size in 0.01 mm (MM_ANISOTROPIC).
      WmfPicture picture;
      picture.hasSize = xExt > 0 && yExt > 0;
      picture.widthHmm = xExt;
      picture.heightHmm = yExt;
      ByteArray emf;
      if (ConvertWmfToEmf(wmf.data(), wmf.size(), picture, emf) && emf.Count() > 0)
        SetBits(std::vector<std::uint8_t>(emf.Items(), emf.Items() + emf.Count()));
    }
  } else {
    frame.origin = r.ReadRealPoint();
    const DPoint size = r.ReadRealPoint();
    frame.width = size.x;
    frame.height = size.y;
    if (version >= 3088) frame.angle = r.ReadCompactDouble();
    // The byte fields start on a byte: the checksum read drops the pending bits.
    r.TakeChecksum();
    const std::uint32_t n = r.ReadRaw32();
    std::vector<std::uint8_t> emf;
    if (n > 0 && r.ReadIntoVector(emf, n)) {
      gotBits = true;
      // A damaged text record is taken out alone, as the picture reader
      // does: the metafile checks would refuse the whole picture for it.
      std::uint64_t kept = emf.size();
      std::uint32_t dropped = DropUnfitTextRecords(emf.data(), &kept);
      dropped += DropWideningsPastLimit(emf.data(), &kept);
      emf.resize(std::size_t(kept));
      if (context) context->damagedRecordsDropped += dropped;
      SetBits(std::move(emf));
    }
  }
  if (version < 3088 && gotBits) {
    // These rows kept a mirrored frame by its far corner.
    if (frame.width < 0) frame.origin.x -= frame.width;
    if (frame.height < 0) frame.origin.y -= frame.height;
  }
  return {};
}

// ---- geometry ----

void cWmf::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cWmf* other = source.AsWmf();
  if (!other || other == this) return;
  frame = other->frame;
  bits_ = other->bits_;
  objectCache.reset();
}

DRect& cWmf::GetExtent(DRect& out) {
  out = frame.extent;
  return out;
}

void cWmf::Recalc(cDrawingData*) {
  frame.Recalc();
  objectCache.reset();
}

void cWmf::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden) || !bits_ || !bits_->bytes) return;
  GetPictureServices().DrawWmf(*this, info);
}

void cWmf::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  UpdateIfDirty(nullptr);
  DPoint corners[4];
  frame.GetCorners(corners);
  GetPictureServices().RasterizeFrame(corners, value, info);
}

}  // namespace kvn
