#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/cAnyFill.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::FillPartFixture;
using test::MemoryArchive;

// The fill part alone, on the smallest filled object.
class FillProbe : public cAnyFill {
 public:
  explicit FillProbe(bool styled = false) : cAnyFill(kTypeRectangle) {
    if (styled) SetTypeByteSourceBits(kTypeStyledFill);
  }
  bool IsClosed() const override { return true; }
};

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

FillFields ReadPartAt(int version, const FillPartFixture& f, cDrawingData* data = nullptr, bool* error = nullptr) {
  FillProbe probe(f.styled);
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteFillPartAt(w, version, f);
    w.WriteBits(0x2A, 6);  // a marker right behind the part
  });
  probe.ReadFillPart(data, a.Reader(), version);
  EXPECT_EQ(a.Reader().ReadBits(6), 0x2Au) << "the part read a different number of bits, version " << version;
  if (error) *error = a.Reader().HasError();
  return probe.fill;
}

TEST(FillPart, Defaults) {
  FillProbe probe;
  EXPECT_EQ(probe.fill.hatchKind, 0);
  EXPECT_EQ(probe.fill.fillColor, 0x80000000u);
  EXPECT_EQ(probe.fill.opacity, 255);
  EXPECT_EQ(probe.fill.fillStyle, 0);
  EXPECT_EQ(probe.fill.hatchColor, 0u);
  EXPECT_EQ(probe.fill.hatchValue, 0.25);
  EXPECT_EQ(probe.fill.hatchScale, 1.0);
  EXPECT_EQ(probe.fill.ownFillColor, 0);
  EXPECT_EQ(probe.fill.ownHatchColor, 0);
  EXPECT_EQ(probe.fill.formerFillStyle, 65535);
  EXPECT_EQ(probe.AsAnyFill(), &probe);
  EXPECT_EQ(probe.AsRectangle(), nullptr);
}

TEST(FillPart, OpacityIsWrittenOnlyForASetColour) {
  auto bitsOf = [](std::uint32_t color, std::uint8_t opacity) {
    FillProbe probe;
    probe.fill.fillColor = color;
    probe.fill.opacity = opacity;
    return test::Archive([&](ArchiveWriter& w) { probe.WriteFillPart(nullptr, w); });
  };
  // Hatch kind 0 (small byte: 2 bits), colour, [opacity], hatch colour 0 (2
  // bits), hatch value 0.25 (2 + 16 bits), hatch scale 1.0 (2 bits).
  auto expected = [](std::uint32_t color, int opacityBits, std::uint8_t opacity) {
    return test::Archive([&](ArchiveWriter& w) {
      w.WriteSmallByte(0);
      w.WriteColor(color);
      if (opacityBits == 1) w.WriteBit(false);
      if (opacityBits == 9) {
        w.WriteBit(true);
        w.WriteByte(opacity);
      }
      w.WriteColor(0);
      w.WriteCompactDouble(0.25);
      w.WriteRealOrUnit(1.0);
    });
  };
  EXPECT_EQ(bitsOf(0x00FF00, 255), expected(0x00FF00, 1, 0));
  EXPECT_EQ(bitsOf(0x00FF00, 128), expected(0x00FF00, 9, 128));
  EXPECT_EQ(bitsOf(0x80000000, 128), expected(0x80000000, 0, 0));
}

TEST(FillPart, RoundTripCurrentForm) {
  FillProbe probe;
  probe.fill.hatchKind = 7;
  probe.fill.fillColor = 0x102030;
  probe.fill.opacity = 100;
  probe.fill.hatchColor = 0xFF0000;
  probe.fill.hatchValue = 0.35;
  probe.fill.hatchScale = 2.5;
  auto bytes = test::Archive([&](ArchiveWriter& w) { probe.WriteFillPart(nullptr, w); });
  FillProbe back;
  MemoryArchive a(bytes);
  back.ReadFillPart(nullptr, a.Reader(), kCurrentFileVersion);
  EXPECT_EQ(back.fill.hatchKind, 7);
  EXPECT_EQ(back.fill.fillColor, 0x102030u);
  EXPECT_EQ(back.fill.opacity, 100);
  EXPECT_EQ(back.fill.hatchColor, 0xFF0000u);
  EXPECT_EQ(back.fill.hatchValue, 0.35);
  EXPECT_EQ(back.fill.hatchScale, 2.5);
}

TEST(FillPart, StyledWriteStoresPlaceholders) {
  DataRef d;
  auto style = std::make_unique<cStyleFill>();
  style->fillColor = 0x0000FF;
  style->hatchKind = 3;
  d.data->FillStyles().Add(std::move(style));
  FillProbe probe(true);
  probe.fill.fillColor = 0x123456;
  probe.fill.hatchValue = 0.7;
  ResetStyleWriteNumbers(*d.data);
  auto bytes = test::Archive([&](ArchiveWriter& w) { probe.WriteFillPart(d.data, w); });
  DataRef readBack;
  FillProbe back(true);
  MemoryArchive a(bytes);
  back.ReadFillPart(readBack.data, a.Reader(), kCurrentFileVersion);
  EXPECT_FALSE(a.Reader().HasError());
  EXPECT_EQ(back.fill.fillStyle, 0);
  EXPECT_EQ(readBack.data->FillStyles().Count(), 1u);
  EXPECT_EQ(back.fill.fillColor, 0x80000000u);
  EXPECT_EQ(back.fill.hatchColor, 0u);
  EXPECT_EQ(back.fill.hatchValue, 0.0);
  EXPECT_EQ(back.fill.hatchScale, 0.0);
  EXPECT_EQ(back.GetFillColor(readBack.data), 0x0000FFu);
}

TEST(FillPart, BandsFrom3061To3097) {
  FillPartFixture f;
  f.hatchKind = 5;
  f.fillColor = 0x80000000;  // not set: the opacity is read all the same from 3079
  f.opacity = 77;
  f.hatchColor = 0x00FF00;
  f.hatchValue = 0.5;
  f.hatchScale = 2.0;
  FillFields fill = ReadPartAt(3090, f);
  EXPECT_EQ(fill.hatchKind, 5);
  EXPECT_EQ(fill.fillColor, 0x80000000u);
  EXPECT_EQ(fill.opacity, 77);
  EXPECT_EQ(fill.hatchColor, 0x00FF00u);
  EXPECT_EQ(fill.hatchValue, 0.5);
  EXPECT_EQ(fill.hatchScale, 2.0);

  fill = ReadPartAt(3078, f);  // no opacity
  EXPECT_EQ(fill.opacity, 255);
  EXPECT_EQ(fill.hatchColor, 0x00FF00u);

  // Without a hatch no hatch fields are stored; the hatch value starts at
  // 0.25 x the drawing scale (0 without drawing data).
  f.hatchKind = 0;
  fill = ReadPartAt(3080, f);
  EXPECT_EQ(fill.hatchColor, 0u);
  EXPECT_EQ(fill.hatchValue, 0.0);
  DataRef d;
  d.data->SetScale(4.0);
  fill = ReadPartAt(3080, f, d.data);
  EXPECT_EQ(fill.hatchValue, 1.0);
  EXPECT_EQ(fill.hatchScale, 1.0);
  // Before 3068 the hatch scale is rescaled by four hatch values or the
  // drawing scale, whichever is larger.
  fill = ReadPartAt(3067, f, d.data);
  EXPECT_EQ(fill.hatchScale, 4.0);
  f.hatchKind = 2;
  f.hatchValue = 2.0;
  f.hatchScale = 0.0;  // not above 0: 1.0 first
  fill = ReadPartAt(3067, f, d.data);
  EXPECT_EQ(fill.hatchScale, 8.0);
}

TEST(FillPart, BandsOfFloatsBefore3061) {
  FillPartFixture f;
  f.hatchKind = 4;
  f.fillColor = 0x7F0000FF;  // bits 24 to 30 are cleared
  f.hatchColor = 0xFF00FF00;
  f.hatchValue = 0.5;
  f.hatchScale = 0.125;
  FillFields fill = ReadPartAt(3058, f);
  EXPECT_EQ(fill.hatchKind, 4);
  EXPECT_EQ(fill.fillColor, 0xFFu);
  EXPECT_EQ(fill.hatchColor, 0x00FF00u);
  EXPECT_EQ(fill.hatchValue, 0.5);
  EXPECT_EQ(fill.hatchScale, 0.125 * 2.0);  // four hatch values = 2.0

  fill = ReadPartAt(3056, f);  // no hatch scale: 1.0, then rescaled
  EXPECT_EQ(fill.hatchValue, 0.5);
  EXPECT_EQ(fill.hatchScale, 2.0);
  fill = ReadPartAt(3053, f);  // no hatch value either: it starts at 0 without data
  EXPECT_EQ(fill.hatchValue, 0.0);
  EXPECT_EQ(fill.hatchScale, 1.0);
}

TEST(FillPart, Version3050OldKinds) {
  FillPartFixture f;
  f.hatchKind = 3;
  f.fillColor = 0x00FF0000;
  FillFields fill = ReadPartAt(3050, f);
  EXPECT_EQ(fill.hatchKind, 2);
  EXPECT_EQ(fill.hatchColor, 0x00FF0000u);
  EXPECT_EQ(fill.fillColor, 0x00FFFFFFu);

  f.hatchKind = 1;  // solid
  fill = ReadPartAt(3050, f);
  EXPECT_EQ(fill.hatchKind, 0);
  EXPECT_EQ(fill.fillColor, 0x00FF0000u);

  f.hatchKind = 0;  // nothing
  fill = ReadPartAt(3050, f);
  EXPECT_EQ(fill.hatchKind, 0);
  EXPECT_EQ(fill.fillColor, 0x80000000u);
}

TEST(FillPart, StyledBandsReadTheIndexOnly) {
  for (int version : {3040, 3055, 3061, 3076, 3077, 3097}) {
    FillPartFixture f;
    f.styled = true;
    f.fillStyle = 9;
    FillFields fill = ReadPartAt(version, f);
    EXPECT_EQ(fill.fillStyle, 9) << version;
    EXPECT_EQ(fill.fillColor, 0x80000000u) << version;
  }
}

TEST(FillPart, DamagedPartsReadSafely) {
  std::vector<std::uint8_t> noise(40, 0xFF);
  for (int version : {3040, 3055, 3061, 3080, 3098, 3111}) {
    for (bool styled : {false, true}) {
      SCOPED_TRACE(testing::Message() << version << (styled ? " styled" : ""));
      // All-ones codes always take the long forms: the whole noise holds one
      // part, which needs its first `needed` bytes, or none when it asks
      // for more than there is (a style inline from 3077: its name's
      // length alone is 65535).
      FillProbe whole(styled);
      MemoryArchive all(noise);
      whole.ReadFillPart(nullptr, all.Reader(), version);
      const bool tooShort = all.Reader().HasError();
      EXPECT_EQ(tooShort, styled && version >= 3077);
      std::size_t left = 0;
      while (!all.Reader().AtEnd()) {
        all.Reader().ReadByte();
        ++left;
      }
      const std::size_t needed = tooShort ? noise.size() + 1 : noise.size() - left;
      for (std::size_t n = 0; n <= noise.size(); n += 3) {
        FillProbe probe(styled);
        MemoryArchive a(std::vector<std::uint8_t>(noise.begin(), noise.begin() + std::ptrdiff_t(n)));
        probe.ReadFillPart(nullptr, a.Reader(), version);
        // Fewer bytes than the part needs: refused by the error flag (but
        // no byte at all is, from 3061, a part of zero bit codes, which the
        // list around it sees as the end of the data); enough: the same
        // part as from the whole noise.
        const bool zeroCodes = n == 0 && version >= 3061;
        EXPECT_EQ(a.Reader().HasError(), n < needed && !zeroCodes) << n << " of " << needed;
        if (n >= needed) {
          EXPECT_EQ(probe.fill.fillColor, whole.fill.fillColor) << n;
          EXPECT_EQ(probe.fill.hatchKind, whole.fill.hatchKind) << n;
          EXPECT_EQ(probe.fill.fillStyle, whole.fill.fillStyle) << n;
          EXPECT_EQ(std::memcmp(&probe.fill.hatchScale, &whole.fill.hatchScale, sizeof(double)), 0) << n;
        }
      }
    }
  }
}

// A fill part of every band cut after each byte: the fields that lay wholly
// before the cut come back exactly; a cut inside a field of whole bytes sets
// the error flag (in the float band every field is one).
TEST(FillPart, APartCutShortKeepsWhatCameBeforeTheCut) {
  struct Field {
    std::function<void(ArchiveWriter&)> write;
    std::function<bool(const FillFields&)> kept;
    bool bytes;  // read as whole bytes after at most a few code bits
  };
  auto eq = [](auto expected, auto member) {
    return [=](const FillFields& f) { return f.*member == expected; };
  };
  auto bands = [&](int version) -> std::vector<Field> {
    if (version < 3061) {
      return {
          {[](ArchiveWriter& w) { w.WriteByte(5); }, eq(std::uint8_t(5), &FillFields::hatchKind), true},
          {[](ArchiveWriter& w) { w.WriteRaw32(0x00102030); }, eq(0x00102030u, &FillFields::fillColor), true},
          {[](ArchiveWriter& w) { w.WriteRaw32(0x0000FF00); }, eq(0x0000FF00u, &FillFields::hatchColor), true},
          {[](ArchiveWriter& w) { test::WriteFloat(w, 0.5); }, eq(0.5, &FillFields::hatchValue), true},
          {[](ArchiveWriter& w) { test::WriteFloat(w, 2.0); }, nullptr, true},  // rescaled: not compared
      };
    }
    return {
        {[](ArchiveWriter& w) { w.WriteSmallByte(5); }, eq(std::uint8_t(5), &FillFields::hatchKind), false},
        {[](ArchiveWriter& w) { w.WriteColor(0x00102030); }, eq(0x00102030u, &FillFields::fillColor), true},
        {[](ArchiveWriter& w) {
           w.WriteBit(true);
           w.WriteByte(77);
         },
         eq(std::uint8_t(77), &FillFields::opacity), true},
        {[](ArchiveWriter& w) { w.WriteColor(0x00123456); }, eq(0x00123456u, &FillFields::hatchColor), true},
        {[](ArchiveWriter& w) { w.WriteCompactDouble(0.3); }, eq(0.3, &FillFields::hatchValue), true},
        {[](ArchiveWriter& w) { w.WriteRealOrUnit(2.5); }, eq(2.5, &FillFields::hatchScale), true},
    };
  };
  for (int version : {3058, 3090, kCurrentFileVersion}) {
    SCOPED_TRACE(version);
    const std::vector<Field> fields = bands(version);
    auto sizeWith = [&](std::size_t count) {
      return test::Archive([&](ArchiveWriter& w) {
               for (std::size_t i = 0; i < count; ++i) fields[i].write(w);
             })
          .size();
    };
    const auto part = test::Archive([&](ArchiveWriter& w) {
      for (const Field& f : fields) f.write(w);
    });
    {
      // The whole part reads back every field without an error.
      FillProbe probe;
      MemoryArchive a(part);
      probe.ReadFillPart(nullptr, a.Reader(), version);
      EXPECT_FALSE(a.Reader().HasError());
      for (const Field& f : fields) {
        if (f.kept) {
          EXPECT_TRUE(f.kept(probe.fill));
        }
      }
    }
    for (std::size_t n = 0; n < part.size(); ++n) {
      SCOPED_TRACE(n);
      FillProbe probe;
      MemoryArchive a(std::vector<std::uint8_t>(part.begin(), part.begin() + std::ptrdiff_t(n)));
      probe.ReadFillPart(nullptr, a.Reader(), version);
      bool insideBytes = false;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t start = sizeWith(i), end = sizeWith(i + 1);
        if (end <= n && fields[i].kept) {
          EXPECT_TRUE(fields[i].kept(probe.fill)) << "field " << i;
        }
        // Starts before the cut (its first byte is there, code bits and all)
        // and ends after it.
        if (fields[i].bytes && start <= n && n < end && (version < 3061 || start < n)) insideBytes = true;
      }
      if (insideBytes) {
        EXPECT_TRUE(a.Reader().HasError());
      }
      // Numbers cut through read as zero, never as half their bytes.
      EXPECT_TRUE(probe.fill.hatchValue == 0.0 || probe.fill.hatchValue == 0.5 || probe.fill.hatchValue == 0.3)
          << probe.fill.hatchValue;
    }
  }
}

TEST(FillPart, ScaleAssignAndStyles) {
  FillProbe a;
  a.fill.hatchValue = 0.5;
  a.fill.hatchScale = 2.0;
  a.ScaleLineWidths({}, 2.0);
  EXPECT_EQ(a.stroke.width, 0.5);
  EXPECT_EQ(a.fill.hatchValue, 1.0);
  EXPECT_EQ(a.fill.hatchScale, 4.0);
  a.ScaleLineWidths({}, -2.0);
  EXPECT_EQ(a.fill.hatchValue, 1.0);

  a.SetTypeByteSourceBits(kTypeStyledFill);
  a.fill.fillStyle = 3;
  a.fill.formerFillStyle = 1;
  a.fill.ownHatchColor = 1;
  FillProbe b;
  b.Assign(a);
  EXPECT_EQ(b.TypeByte() & kTypeStyledFill, kTypeStyledFill);
  EXPECT_EQ(b.fill.fillStyle, 3);
  EXPECT_EQ(b.fill.hatchValue, 1.0);
  EXPECT_EQ(b.fill.ownHatchColor, 1);
  EXPECT_EQ(b.fill.formerFillStyle, 65535);

  DataRef d;
  auto style = std::make_unique<cStyleFill>();
  style->hatchKind = 255;  // the style's symbol: not kept by an object
  style->fillColor = 0x0000FF;
  style->opacity = 90;
  d.data->FillStyles().Add(std::move(style));
  FillProbe detached(true);
  detached.fill.fillStyle = 0;
  detached.DetachFillStyle(d.data);
  EXPECT_EQ(detached.TypeByte() & kTypeStyledFill, 0);
  EXPECT_EQ(detached.fill.hatchKind, 0);
  EXPECT_EQ(detached.fill.fillColor, 0x0000FFu);
  EXPECT_EQ(detached.fill.opacity, 90);
  EXPECT_EQ(detached.fill.formerFillStyle, 65535);

  // Materialising notes that the style hatched: the object keeps hatch 1.
  FillProbe materialised(true);
  materialised.fill.fillStyle = 0;
  materialised.MaterializeStyles(d.data);
  EXPECT_EQ(materialised.TypeByte() & kTypeStyledFill, 0);
  EXPECT_EQ(materialised.fill.hatchKind, 1);
  EXPECT_EQ(materialised.fill.formerFillStyle, 0);
  EXPECT_EQ(materialised.fill.fillColor, 0x0000FFu);
}

}  // namespace
}  // namespace kvn
