// cStyleFill::IsSparseAtScale: the readability test of a symbol-hatch sample,
// kept apart from the record code because it needs the block painter.
#include <memory>

#include "model/BlockPicture.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"

namespace kvn {

namespace {

constexpr int kSampleSize = 100;           // pixels, both ways
constexpr double kSampleRectangle = 20.0;  // drawing units, both ways
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kSparsePercent = 85;         // white share that is still readable

// MulDiv(a, b, c): a x b / c rounded half away from zero, in 64 bits.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
  const std::int64_t p = a * b;
  return (p + c / 2) / c;
}

}  // namespace

bool cStyleFill::IsSparseAtScale(double trialScale) const {
  cDrawingData data;
  auto probe = std::make_unique<cStyleFill>();
  probe->Assign(*this);
  probe->hatchKind = kSymbolHatch;
  probe->fillColor = 0x80000000;
  probe->byObject = 0;
  probe->hatchColor = 0;
  probe->hatchValue = 0.0;
  probe->hatchScale = trialScale;
  probe->symbolScale = 0.0;
  data.FillStyles().Add(std::move(probe));

  // One rectangle filled with fill style 0 (a filled object's fill-style
  // index starts at 0; the type bit makes it count).
  cBlock block;
  if (cOutObj* rectangle = cOutObj::Create(kTypeRectangle, false)) {
    const DPoint corners[2] = {DPoint{0.0, 0.0}, DPoint{kSampleRectangle, kSampleRectangle}};
    rectangle->SetPoints(corners, 2);
    rectangle->SetTypeByteSourceBits(kTypeStyledFill);
    ObjectChain chain(rectangle);
    block.AppendChain(std::move(chain));
  }

  std::unique_ptr<BlockPicture> picture = RenderBlockToDib(&data, &block, kSampleSize, kSampleSize, kWhite);
  if (!picture || picture->width <= 0 || picture->height <= 0) return false;
  const std::int64_t area = std::int64_t(picture->width) * picture->height;
  if (picture->pixels.size() < std::size_t(area)) return false;
  std::int64_t white = 0;
  for (std::int64_t i = 0; i < area; ++i) {
    if ((picture->pixels[std::size_t(i)] & 0xFFFFFF) == kWhite) ++white;
  }
  return MulDivRound(white, 100, area) > kSparsePercent;
}

}  // namespace kvn
