// cWmf: an enhanced metafile placed in a drawing, shown in a turned frame
// like a picture. The bytes live in a holder shared by every copy, together
// with the metafile handle made from them on first use (only bytes that
// pass the metafile checks ever get one). Old Windows metafiles become
// enhanced ones when read. The renderer may cache the drawing objects it
// makes from the metafile in the object; any change of the frame drops
// them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/ObjectChain.h"
#include "model/FramedPicture.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {

struct MetafileBits {
  std::optional<std::vector<std::uint8_t>> bytes;  // the EMF, or no array
  std::optional<EmfDocument> handle;               // made on first use
  bool handleTried = false;

  const std::uint8_t* GetBytes() const { return bytes ? bytes->data() : nullptr; }
};

class cWmf : public cFramedPicture {
 public:
  static constexpr std::uint8_t kTypeCode = 8;

  cWmf();
  ~cWmf() override;

  cWmf* AsWmf() override { return this; }
  const cWmf* AsWmf() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  void Draw(cDrawInfo* info) override;
  // The four frame corners as one closed polygon, rasterised with the value.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // The extent, and the cached objects dropped.
  void Recalc(cDrawingData* data) override;

  // Holds the bytes in a new holder whose handle is not yet tried.
  void SetBits(std::vector<std::uint8_t> bytes);
  // The metafile of the held bytes, made once per holder; null without
  // bytes or when they fail the metafile checks.
  const EmfDocument* GetMetafileHandle();
  const std::shared_ptr<MetafileBits>& Bits() const { return bits_; }
  // Puts the held metafile on the clipboard, which the caller has opened;
  // false without bytes.
  bool CopyToClipboard() const;

  // The renderer's objects made from the metafile: null until first made.
  std::unique_ptr<ObjectChain> objectCache;


 private:
  std::shared_ptr<MetafileBits> bits_;
};

// The metafile interpreter that turns a placed metafile into drawing
// objects lives with the foreign-format import, which installs it here when
// the readers are installed; until then there is none (null).
using MetafileExplodeFn = ObjectChain (*)(cWmf& metafile, cDrawingData* data);
void SetMetafileExploder(MetafileExplodeFn explode);
MetafileExplodeFn GetMetafileExploder();

}  // namespace kvn
