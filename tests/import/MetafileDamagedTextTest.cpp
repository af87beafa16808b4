// A metafile text record that cannot hold what it draws (its string past
// its end, a spacing offset that wraps, a negative count) loses that text
// alone, and the open says the picture was read in part; its intact twin
// opens quietly and draws every text. So for a Windows metafile's flood fill
// and layout records too short for their parameters. So for an enhanced metafile placed in
// a native drawing, which the picture reader never sees. An enhanced metafile whose end record
// comes before its header's byte count is told, as a Windows metafile's is;
// bytes past that count are not the picture's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "import/pictures/MetafileExploder.h"
#include "model/cBlock.h"
#include "model/PictureFrame.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfToEmf.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr char kEmfSample[] = "libuemf_test_mm_anisotropic_ref.emf";
constexpr char kWmfSample[] = "libwmf_text.wmf";

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where each record of an enhanced metafile starts, the end record's included.
std::vector<std::size_t> EmfRecordStarts(const Bytes& emf) {
  std::vector<std::size_t> starts;
  std::size_t at = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t size = le::U32(emf.data() + at + 4);
    if (size < 8 || size > emf.size() - at) break;
    starts.push_back(at);
    if (le::U32(emf.data() + at) == kEmrEof) break;
    at += size;
  }
  return starts;
}

// The record put before record `before` (the end record when 0), the
// header's byte and record counts kept true.
Bytes EmfWithRecord(const Bytes& file, const Bytes& record, std::size_t before = 0) {
  const std::vector<std::size_t> starts = EmfRecordStarts(file);
  const std::size_t at = before == 0 ? starts.back() : starts[before];
  Bytes out(file.begin(), file.begin() + std::ptrdiff_t(at));
  out.insert(out.end(), record.begin(), record.end());
  out.insert(out.end(), file.begin() + std::ptrdiff_t(at), file.end());
  le::Put32(out.data() + 48, std::uint32_t(out.size()));
  le::Put32(out.data() + 52, le::U32(out.data() + 52) + 1);
  return out;
}

// EMR_EXTTEXTOUTW {bounds, graphics mode, scales, EMRTEXT {reference, count,
// offString, options, rectangle, offDx}, string, [spacing]} of "Added".
Bytes EmfText(bool spacing) {
  const std::u16string text = u"Added";
  const std::size_t stringBytes = (2 * text.size() + 3) & ~std::size_t(3);
  Bytes r(76 + stringBytes + (spacing ? 4 * text.size() : 0), 0);
  le::Put32(r.data(), 84);
  le::Put32(r.data() + 4, std::uint32_t(r.size()));
  le::Put32(r.data() + 16, 0xFFFFFFFF);  // bounds (0, 0, -1, -1): not given
  le::Put32(r.data() + 20, 0xFFFFFFFF);
  le::Put32(r.data() + 24, 1);                   // GM_COMPATIBLE
  le::Put32(r.data() + 28, 0x3F800000);          // x scale 1
  le::Put32(r.data() + 32, 0xBF800000);          // y scale -1
  le::Put32(r.data() + 36, 20000);               // reference point
  le::Put32(r.data() + 40, 20000);
  le::Put32(r.data() + 44, std::uint32_t(text.size()));
  le::Put32(r.data() + 48, 76);
  le::Put32(r.data() + 64, 0xFFFFFFFF);  // rectangle (0, 0, -1, -1)
  le::Put32(r.data() + 68, 0xFFFFFFFF);
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(r.data() + 76 + 2 * i, text[i]);
  if (spacing) {
    le::Put32(r.data() + 72, std::uint32_t(76 + stringBytes));
    for (std::size_t i = 0; i < text.size(); ++i) le::Put32(r.data() + 76 + stringBytes + 4 * i, 600);
  }
  return r;
}

// EMR_POLYTEXTOUTW {bounds, graphics mode, scales, cStrings, EMRTEXT x
// cStrings, strings, spacing} of "Poly" without a rectangle (ETO_NO_RECT:
// 24 bytes) and "Text" with its rectangle and spacing (40 bytes), the
// second string's offset written as `secondString` (0: where it lies).
Bytes EmfPolyText(std::uint32_t secondString = 0) {
  constexpr std::uint32_t kFirst = 40, kSecond = 64, kStrings = 104, kSpacing = kStrings + 16;
  Bytes r(kSpacing + 16, 0);
  le::Put32(r.data(), 97);
  le::Put32(r.data() + 4, std::uint32_t(r.size()));
  le::Put32(r.data() + 16, 0xFFFFFFFF);  // bounds (0, 0, -1, -1): not given
  le::Put32(r.data() + 20, 0xFFFFFFFF);
  le::Put32(r.data() + 24, 1);           // GM_COMPATIBLE
  le::Put32(r.data() + 28, 0x3F800000);  // x scale 1
  le::Put32(r.data() + 32, 0xBF800000);  // y scale -1
  le::Put32(r.data() + 36, 2);
  const std::u16string texts[2] = {u"Poly", u"Text"};
  const std::uint32_t runs[2] = {kFirst, kSecond};
  for (int i = 0; i < 2; ++i) {
    std::uint8_t* run = r.data() + runs[i];
    le::Put32(run, 20000);  // reference point
    le::Put32(run + 4, std::uint32_t(20000 + 800 * i));
    le::Put32(run + 8, 4);
    le::Put32(run + 12, kStrings + 8 * std::uint32_t(i));
    for (int c = 0; c < 4; ++c) le::Put16(r.data() + kStrings + 8 * i + 2 * c, texts[i][std::size_t(c)]);
  }
  le::Put32(r.data() + kFirst + 16, 0x0100);  // ETO_NO_RECT; no spacing
  le::Put32(r.data() + kSecond + 28, 0xFFFFFFFF);  // rectangle (0, 0, -1, -1)
  le::Put32(r.data() + kSecond + 32, 0xFFFFFFFF);
  le::Put32(r.data() + kSecond + 36, kSpacing);
  for (int c = 0; c < 4; ++c) le::Put32(r.data() + kSpacing + 4 * c, 600);
  if (secondString != 0) le::Put32(r.data() + kSecond + 12, secondString);
  return r;
}

// `count` characters of a cycled sample text, all within code page 1252's
// ASCII so that 8-bit and 16-bit records say the same.
std::u16string SmallTextChars(std::size_t count) {
  const std::u16string cycle = u"Small text 0123456789 ";
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) text += cycle[i % cycle.size()];
  return text;
}

// EMR_SMALLTEXTOUT {reference, cChars, fuOptions, graphics mode, scales,
// [rectangle unless ETO_NO_RECT], string}: 8-bit characters under
// ETO_SMALL_CHARS, else 16-bit; padded to 4 bytes.
Bytes EmfSmallText(std::size_t count, bool wide, bool noRect) {
  const std::u16string text = SmallTextChars(count);
  const std::size_t fields = noRect ? 36 : 52;
  const std::size_t stringBytes = (text.size() * (wide ? 2 : 1) + 3) & ~std::size_t(3);
  Bytes r(fields + stringBytes, 0);
  le::Put32(r.data(), 108);
  le::Put32(r.data() + 4, std::uint32_t(r.size()));
  le::Put32(r.data() + 8, 20000);  // reference point
  le::Put32(r.data() + 12, 20000);
  le::Put32(r.data() + 16, std::uint32_t(text.size()));
  le::Put32(r.data() + 20, (noRect ? 0x0100u : 0u) | (wide ? 0u : 0x0200u));
  le::Put32(r.data() + 24, 1);           // GM_COMPATIBLE
  le::Put32(r.data() + 28, 0x3F800000);  // x scale 1
  le::Put32(r.data() + 32, 0x3F800000);  // y scale 1
  if (!noRect) {
    le::Put32(r.data() + 36, 19000);  // a rectangle about the text
    le::Put32(r.data() + 40, 19000);
    le::Put32(r.data() + 44, 60000);
    le::Put32(r.data() + 48, 21000);
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (wide) le::Put16(r.data() + fields + 2 * i, text[i]);
    else r[fields + i] = std::uint8_t(text[i]);
  }
  return r;
}

// The EXTTEXTOUTW that says what an EmfSmallText says: the same reference,
// options (but the character width), rectangle and string, no spacing.
Bytes EmfSmallTextTwin(std::size_t count, bool noRect) {
  const std::u16string text = SmallTextChars(count);
  const std::size_t stringBytes = (2 * text.size() + 3) & ~std::size_t(3);
  Bytes r(76 + stringBytes, 0);
  le::Put32(r.data(), 84);
  le::Put32(r.data() + 4, std::uint32_t(r.size()));
  le::Put32(r.data() + 16, 0xFFFFFFFF);  // bounds (0, 0, -1, -1): not given
  le::Put32(r.data() + 20, 0xFFFFFFFF);
  le::Put32(r.data() + 24, 1);
  le::Put32(r.data() + 28, 0x3F800000);
  le::Put32(r.data() + 32, 0x3F800000);
  le::Put32(r.data() + 36, 20000);
  le::Put32(r.data() + 40, 20000);
  le::Put32(r.data() + 44, std::uint32_t(text.size()));
  le::Put32(r.data() + 48, 76);
  le::Put32(r.data() + 52, noRect ? 0x0100u : 0u);
  if (!noRect) {  // else the spacing offset (0) follows the options at once
    le::Put32(r.data() + 56, 19000);
    le::Put32(r.data() + 60, 19000);
    le::Put32(r.data() + 64, 60000);
    le::Put32(r.data() + 68, 21000);
  }
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(r.data() + 76 + 2 * i, text[i]);
  return r;
}

// The metafile placed in a one-sheet native drawing of the current version.
Bytes DrawingWith(const Bytes& emf) {
  auto metafile = std::make_shared<cWmf>();
  metafile->SetBits(emf);
  metafile->frame = PictureFrame{{20, 20}, 150, 100, 0};
  test::FixtureSheet sheet;
  sheet.name = u"Model";
  sheet.objects.push_back(metafile);
  test::FixtureDocument document;
  document.sheets.push_back(sheet);
  return test::WriteNativeFile(document);
}

// The text record with its string offset 16 bytes past its end.
Bytes StringPast(Bytes record) {
  le::Put32(record.data() + 48, std::uint32_t(record.size() + 16));
  return record;
}

// An end record written over record `index`, the header counting the
// records up to it; what follows is kept, or zeroed, inside nBytes.
Bytes EmfEndingAt(const Bytes& file, std::size_t index, bool zerosAfter) {
  Bytes out = file;
  const std::size_t at = EmfRecordStarts(file)[index];
  const std::uint32_t eof[5] = {kEmrEof, 20, 0, 16, 20};
  for (int i = 0; i < 5; ++i) le::Put32(out.data() + at + 4 * i, eof[i]);
  if (zerosAfter) std::fill(out.begin() + std::ptrdiff_t(at + 20), out.end(), std::uint8_t(0));
  le::Put32(out.data() + 52, std::uint32_t(index + 1));
  return out;
}

// The record put before the end record of a Windows metafile (no
// placeable header), the header's size and largest record kept true.
Bytes WmfWithRecord(const Bytes& file, const Bytes& record) {
  const std::size_t eof = file.size() - 6;
  EXPECT_EQ(le::U16(file.data() + eof + 4), 0);
  Bytes out(file.begin(), file.begin() + std::ptrdiff_t(eof));
  out.insert(out.end(), record.begin(), record.end());
  out.insert(out.end(), file.begin() + std::ptrdiff_t(eof), file.end());
  le::Put32(out.data() + 6, std::uint32_t(out.size() / 2));
  le::Put32(out.data() + 12, std::max<std::uint32_t>(le::U32(out.data() + 12), std::uint32_t(record.size() / 2)));
  return out;
}

std::string Text43() { return "The quick brown fox jumps over the lazy dog"; }

// META_EXTTEXTOUT {y, x, count, options, string padded to even, [spacing]}
// of 43 characters, its count field written as `count`.
Bytes WmfExtText(std::int16_t count, bool spacing) {
  const std::string text = Text43();
  const std::size_t padded = (text.size() + 1) & ~std::size_t(1);
  Bytes r(6 + 8 + padded + (spacing ? 2 * text.size() : 0), 0);
  le::Put32(r.data(), std::uint32_t(r.size() / 2));
  le::Put16(r.data() + 4, 0x0A32);
  le::Put16(r.data() + 6, 40);  // y
  le::Put16(r.data() + 8, 10);  // x
  le::Put16(r.data() + 10, std::uint16_t(count));
  std::memcpy(r.data() + 14, text.data(), text.size());
  if (spacing) {
    for (std::size_t i = 0; i < text.size(); ++i) le::Put16(r.data() + 14 + padded + 2 * i, 12);
  }
  return r;
}

// META_TEXTOUT {count, string padded to even, y, x} of 43 characters, its
// count field written as `count`.
Bytes WmfTextOut(std::int16_t count) {
  const std::string text = Text43();
  const std::size_t padded = (text.size() + 1) & ~std::size_t(1);
  Bytes r(6 + 2 + padded + 4, 0);
  le::Put32(r.data(), std::uint32_t(r.size() / 2));
  le::Put16(r.data() + 4, 0x0521);
  le::Put16(r.data() + 6, std::uint16_t(count));
  std::memcpy(r.data() + 8, text.data(), text.size());
  le::Put16(r.data() + 8 + padded, 40);   // y
  le::Put16(r.data() + 10 + padded, 10);  // x
  return r;
}

// A WMF record of `function` whose parameters are the first `bytes` bytes of
// `params` (16-bit words, little-endian): FLOODFILL {COLORREF, y, x},
// EXTFLOODFILL {mode, COLORREF, y, x}, SETLAYOUT {layout, reserved}.
Bytes WmfRecord(std::uint16_t function, const std::vector<std::uint16_t>& params, std::size_t bytes) {
  Bytes r(6 + bytes, 0);
  le::Put32(r.data(), std::uint32_t(r.size() / 2));
  le::Put16(r.data() + 4, function);
  for (std::size_t i = 0; i < params.size() && 2 * i + 1 < bytes; ++i) le::Put16(r.data() + 6 + 2 * i, params[i]);
  return r;
}

const std::vector<std::uint16_t> kFloodFill = {0x0000, 0x0000, 40, 10};      // black border, (10, 40)
const std::vector<std::uint16_t> kExtFloodFill = {1, 0xFFFF, 0x00FF, 40, 10};  // surface of white
const std::vector<std::uint16_t> kSetLayout = {0, 0};                          // left to right

// A metafile opened as the viewer opens it.
struct Opened {
  bool ok = false;
  bool told = false;
  bool warned = false;  // the open's warning says the picture was read in part
  Bytes shown;
};

Opened Open(const fs::path& path, const Bytes& bytes, const FormatRegistry& registry) {
  Opened opened;
  EXPECT_TRUE(test::SaveBytes(path.string(), bytes));
  OpenRequest request;
  request.quiet = true;
  const WString wpath = WString::FromUtf8(path.string());
  DocumentResult result = OpenDrawing(wpath, request, registry);
  opened.ok = result.Ok();
  if (!opened.ok) return opened;
  opened.told = result.Partial();
  opened.warned = OpenWarningText(result, wpath).View().find(LoadLangString(kStrPartialReadShown).View()) !=
                  std::u16string_view::npos;
  const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
  if (object && object->AsWmf()) opened.shown = *object->AsWmf()->Bits()->bytes;
  return opened;
}

// Playing the picture shown: records played and texts drawn (runs of
// characters handed to the context).
struct Played {
  std::uint32_t records = 0;
  std::uint32_t texts = 0;
  std::vector<std::string> calls;  // what the context was asked to do
};

Played Play(const Bytes& emf) {
  Played played;
  const std::optional<EmfDocument> doc = EmfDocument::FromBytes(emf.data(), emf.size());
  EXPECT_TRUE(doc);
  if (!doc) return played;
  RecordingDC dc;
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(dc, *doc, TRect{0, 0, 300, 200}, &stats));
  played.records = stats.records;
  played.calls = dc.calls;
  for (const std::string& call : dc.calls) {
    if (call.rfind("ExtTextOut ", 0) == 0 && call.find("\"\"") == std::string::npos) ++played.texts;
  }
  return played;
}

// What a row shows: the picture of the sample as it is (the added record
// dropped alone), the bytes of the changed file as they stand, or neither
// (a picture with one record more than the sample's).
enum class Shows { kSample, kAsChanged, kMore };

TEST(MetafileDamagedText, EachDamagedTextRecordIsDroppedAloneAndToldEarlyEndsAreTold) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  FormatRegistry registry;
  InstallReaders(registry);
  test::ScratchDir dir;

  struct Row {
    const char* what;
    const char* sample;
    Bytes (*make)(const Bytes& sample);
    bool told;
    std::uint32_t records, texts;  // played from the picture shown
    Shows shows;
    bool inDrawing = false;  // the metafile placed in a native drawing
  };
  // The samples: 65 records and 4 texts; 69 records and 22 texts, 75
  // records once converted.
  const Row rows[] = {
      // An EXTTEXTOUTW added before the end record.
      {"EXTTEXTOUTW with spacing", kEmfSample, [](const Bytes& s) { return EmfWithRecord(s, EmfText(true)); },
       false, 66, 5, Shows::kAsChanged},
      {"EXTTEXTOUTW without spacing", kEmfSample, [](const Bytes& s) { return EmfWithRecord(s, EmfText(false)); },
       false, 66, 5, Shows::kAsChanged},
      {"EXTTEXTOUTW with spacing, its string past the record", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, StringPast(EmfText(true))); },
       true, 65, 4, Shows::kSample},
      {"EXTTEXTOUTW with spacing at 0xFFFFFFFC", kEmfSample,
       [](const Bytes& s) {
         Bytes r = EmfText(true);
         le::Put32(r.data() + 72, 0xFFFFFFFC);
         return EmfWithRecord(s, r);
       },
       true, 65, 4, Shows::kSample},
      {"EXTTEXTOUTW without spacing, its string past the record", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, StringPast(EmfText(false))); },
       true, 65, 4, Shows::kSample},
      // Twice its count wraps at 2^32 to 4 bytes, which the record holds.
      {"EXTTEXTOUTW without spacing counting 0x80000002 characters", kEmfSample,
       [](const Bytes& s) {
         Bytes r = EmfText(false);
         le::Put32(r.data() + 44, 0x80000002);
         return EmfWithRecord(s, r);
       },
       true, 65, 4, Shows::kSample},
      // A POLYTEXTOUTW of two texts, the first without its rectangle: its
      // second string past the record drops the record.
      {"POLYTEXTOUTW", kEmfSample, [](const Bytes& s) { return EmfWithRecord(s, EmfPolyText()); }, false, 66, 6,
       Shows::kAsChanged},
      {"POLYTEXTOUTW, its second string past the record", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, EmfPolyText(std::uint32_t(EmfPolyText().size() + 16))); }, true, 65, 4,
       Shows::kSample},
      {"POLYTEXTOUTW, its second string at 0xFFFFFFFC", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, EmfPolyText(0xFFFFFFFC)); }, true, 65, 4, Shows::kSample},
      // The same metafiles placed in a native drawing: the drawing's read
      // drops the record alone and tells it.
      {"EXTTEXTOUTW with spacing, in a drawing", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, EmfText(true)); }, false, 66, 5, Shows::kAsChanged, true},
      {"EXTTEXTOUTW with spacing, its string past the record, in a drawing", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, StringPast(EmfText(true))); }, true, 65, 4, Shows::kSample,
       true},
      {"POLYTEXTOUTW, its second string past the record, in a drawing", kEmfSample,
       [](const Bytes& s) { return EmfWithRecord(s, EmfPolyText(std::uint32_t(EmfPolyText().size() + 16))); }, true, 65, 4,
       Shows::kSample, true},
      // Two, among the records: each dropped alone; so with the metafile
      // cut short as well, which the picture import repairs.
      {"EXTTEXTOUTW before record 20 and before the end, strings past them", kEmfSample,
       [](const Bytes& s) {
         const Bytes one = EmfWithRecord(s, StringPast(EmfText(true)));
         return EmfWithRecord(one, StringPast(EmfText(false)), 20);
       },
       true, 65, 4, Shows::kSample},
      {"EXTTEXTOUTW before record 20, its string past it, the byte count past the file", kEmfSample,
       [](const Bytes& s) {
         Bytes b = EmfWithRecord(s, StringPast(EmfText(true)), 20);
         le::Put32(b.data() + 48, std::uint32_t(b.size() + 8));
         return b;
       },
       true, 65, 4, Shows::kSample},
      // An end record over record 33 of 65, the header counting 34 records;
      // its byte count still runs to the file's end.
      {"end record over record 33, records after it", kEmfSample,
       [](const Bytes& s) { return EmfEndingAt(s, 33, false); }, true, 34, 3, Shows::kAsChanged},
      {"end record over record 33, zeros after it", kEmfSample,
       [](const Bytes& s) { return EmfEndingAt(s, 33, true); }, true, 34, 3, Shows::kAsChanged},
      {"end record over record 33, the byte count ending with it", kEmfSample,
       [](const Bytes& s) {
         Bytes b = EmfEndingAt(s, 33, false);
         const std::size_t end = EmfRecordStarts(s)[33] + 20;
         le::Put32(b.data() + 48, std::uint32_t(end));
         b.resize(end);
         return b;
       },
       false, 34, 3, Shows::kAsChanged},
      {"64 bytes after the end record, past the byte count", kEmfSample,
       [](const Bytes& s) {
         Bytes b = s;
         b.resize(b.size() + 64, 0xAB);
         return b;
       },
       false, 65, 4, Shows::kSample},
      // An EXTTEXTOUT or TEXTOUT of 43 characters added before the end record.
      {"EXTTEXTOUT", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfExtText(43, false)); }, false, 76,
       23, Shows::kMore},
      {"EXTTEXTOUT with spacing", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfExtText(43, true)); },
       false, 76, 23, Shows::kMore},
      {"EXTTEXTOUT counting 60 characters", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfExtText(60, false)); }, true, 75, 22, Shows::kSample},
      {"EXTTEXTOUT counting -43 characters", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfExtText(-43, false)); }, true, 75, 22, Shows::kSample},
      {"TEXTOUT", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfTextOut(43)); }, false, 76, 23,
       Shows::kMore},
      {"TEXTOUT counting 60 characters", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfTextOut(60)); },
       true, 75, 22, Shows::kSample},
      {"TEXTOUT counting -43 characters", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfTextOut(-43)); }, true, 75, 22, Shows::kSample},
      // A flood fill or layout record added before the end record, whole or
      // too short for its parameters.
      {"FLOODFILL", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0419, kFloodFill, 8)); },
       false, 76, 22, Shows::kMore},
      {"FLOODFILL without its x", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0419, kFloodFill, 6)); }, true, 75, 22,
       Shows::kSample},
      {"FLOODFILL without parameters", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0419, kFloodFill, 0)); }, true, 75, 22,
       Shows::kSample},
      {"EXTFLOODFILL", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0548, kExtFloodFill, 10)); }, false, 76, 22,
       Shows::kMore},
      {"EXTFLOODFILL without its x", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0548, kExtFloodFill, 8)); }, true, 75, 22,
       Shows::kSample},
      {"EXTFLOODFILL with its mode alone", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0548, kExtFloodFill, 2)); }, true, 75, 22,
       Shows::kSample},
      {"SETLAYOUT", kWmfSample, [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0149, kSetLayout, 4)); },
       false, 76, 22, Shows::kMore},
      {"SETLAYOUT without parameters", kWmfSample,
       [](const Bytes& s) { return WmfWithRecord(s, WmfRecord(0x0149, kSetLayout, 0)); }, true, 75, 22,
       Shows::kSample},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.sample) + ": " + row.what);
    const Bytes sample = ReadBytes(data / "metafile" / row.sample);
    ASSERT_FALSE(sample.empty());
    const Bytes changed = row.make(sample);
    const std::string ext = fs::path(row.sample).extension().string();
    const Opened opened = row.inDrawing ? Open(dir / "changed.kvn", DrawingWith(changed), registry)
                                        : Open(dir / ("changed" + ext), changed, registry);
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.told, row.told);
    EXPECT_EQ(opened.warned, row.told);
    const Played played = Play(opened.shown);
    EXPECT_EQ(played.records, row.records);
    EXPECT_EQ(played.texts, row.texts);
    switch (row.shows) {
      case Shows::kSample:
        EXPECT_TRUE(opened.shown == Open(dir / ("sample" + ext), sample, registry).shown);
        break;
      case Shows::kAsChanged:
        EXPECT_TRUE(opened.shown == changed);
        break;
      case Shows::kMore:
        break;
    }
  }

  // An end record over any record but the header and the end record, with
  // the records or zeros after it: told, and the records up to it played.
  const Bytes sample = ReadBytes(data / "metafile" / kEmfSample);
  const std::size_t records = EmfRecordStarts(sample).size();
  ASSERT_EQ(records, 65u);
  for (std::size_t index = 1; index + 1 < records; ++index) {
    for (const bool zeros : {false, true}) {
      SCOPED_TRACE("end record over record " + std::to_string(index) + (zeros ? ", zeros after it" : ""));
      const Bytes changed = EmfEndingAt(sample, index, zeros);
      const Opened opened = Open(dir / "early.emf", changed, registry);
      ASSERT_TRUE(opened.ok);
      EXPECT_TRUE(opened.told);
      EXPECT_EQ(Play(opened.shown).records, index + 1);
    }
  }
}

// The interpreter walks a metafile as its file holds it (kvn-dump's
// "source"): a damaged text record is passed over alone, and the walk makes
// what it makes of the sample.
TEST(MetafileDamagedText, TheInterpreterPassesOverADamagedTextRecordAlone) {
  KVN_REQUIRE_TESTDATA(data);
  const Bytes sample = ReadBytes(data / "metafile" / kEmfSample);
  const auto walk = [](const Bytes& emf, MetafileWalkReport* report) {
    cWmf metafile;
    metafile.frame = PictureFrame{{0, 0}, 150, 100, 0};
    metafile.SetBits(emf);
    return ExplodeMetafile(metafile, static_cast<cDrawingData*>(nullptr), report).Count();
  };
  MetafileWalkReport whole;
  const std::size_t made = walk(sample, &whole);
  const struct {
    const char* name;
    Bytes record;
  } damaged[] = {{"EMR_EXTTEXTOUTW", StringPast(EmfText(true))},
                 {"EMR_EXTTEXTOUTW", StringPast(EmfText(false))},
                 {"EMR_POLYTEXTOUTW", EmfPolyText(std::uint32_t(EmfPolyText().size() + 16))}};
  for (const auto& d : damaged) {
    SCOPED_TRACE(d.name);
    MetafileWalkReport report;
    EXPECT_EQ(walk(EmfWithRecord(sample, d.record, 20), &report), made);
    EXPECT_FALSE(report.stoppedEarly);
    EXPECT_EQ(report.skipped[d.name]["text outside the record"], whole.skipped[d.name]["text outside the record"] + 1);
    std::uint64_t records = 0, sampleRecords = 0;
    for (const auto& [name, count] : report.records) records += count;
    for (const auto& [name, count] : whole.records) sampleRecords += count;
    EXPECT_EQ(records, sampleRecords + 1);
  }
}

// SMALLTEXTOUT, 8-bit and 16-bit, with and without its rectangle, of 1 to
// 300 characters: played, and drawn as its EXTTEXTOUTW twin draws, with a
// quiet open, and read as a text by the interpreter. Its count past the
// record (by one, 0xFFFFFFFF, 0x80000002, whose double wraps at 2^32) or the
// record cut short: taken out alone and told, the interpreter passing over
// it alone.
TEST(MetafileDamagedText, SmallTextIsDrawnAsItsTwinAndDroppedAloneWhenDamaged) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  FormatRegistry registry;
  InstallReaders(registry);
  test::ScratchDir dir;
  const Bytes sample = ReadBytes(data / "metafile" / kEmfSample);
  const Played played = Play(sample);
  ASSERT_EQ(played.texts, 4u);
  const auto walk = [](const Bytes& emf, MetafileWalkReport* report) {
    cWmf metafile;
    metafile.frame = PictureFrame{{0, 0}, 150, 100, 0};
    metafile.SetBits(emf);
    return ExplodeMetafile(metafile, static_cast<cDrawingData*>(nullptr), report).Count();
  };
  MetafileWalkReport whole;
  const std::size_t made = walk(sample, &whole);
  const auto skipped = [](MetafileWalkReport& report) {
    return report.skipped["EMR_SMALLTEXTOUT"]["text outside the record"];
  };

  for (const bool wide : {false, true}) {
    for (const bool noRect : {false, true}) {
      for (const std::size_t count : {1, 2, 5, 27, 64, 300}) {
        SCOPED_TRACE(std::string(wide ? "16-bit" : "8-bit") + (noRect ? ", ETO_NO_RECT, " : ", rectangle, ") +
                     std::to_string(count) + " characters");
        const Bytes small = EmfSmallText(count, wide, noRect);
        const Bytes changed = EmfWithRecord(sample, small);
        const Opened opened = Open(dir / "small.emf", changed, registry);
        ASSERT_TRUE(opened.ok);
        EXPECT_FALSE(opened.told);
        EXPECT_TRUE(opened.shown == changed);
        const Played drawn = Play(changed);
        EXPECT_EQ(drawn.texts, played.texts + 1);
        EXPECT_EQ(drawn.calls, Play(EmfWithRecord(sample, EmfSmallTextTwin(count, noRect))).calls);
        MetafileWalkReport report;
        EXPECT_EQ(walk(EmfWithRecord(sample, small, 20), &report), made + 1);
        EXPECT_EQ(skipped(report), skipped(whole));

        // Damaged: each taken out alone, the picture shown the sample's.
        const std::size_t fields = noRect ? 36 : 52;
        const std::size_t room = (small.size() - fields) / (wide ? 2 : 1);
        const struct {
          const char* what;
          Bytes record;
        } damaged[] = {
            {"count past the record",
             [&] {
               Bytes r = small;
               le::Put32(r.data() + 16, std::uint32_t(room + 1));
               return r;
             }()},
            {"count 0xFFFFFFFF",
             [&] {
               Bytes r = small;
               le::Put32(r.data() + 16, 0xFFFFFFFF);
               return r;
             }()},
            {"count 0x80000002",
             [&] {
               Bytes r = small;
               le::Put32(r.data() + 16, 0x80000002);
               return r;
             }()},
            {"cut within its fields",
             [&] {
               Bytes r(small.begin(), small.begin() + std::ptrdiff_t(fields - 4));
               le::Put32(r.data() + 4, std::uint32_t(r.size()));
               return r;
             }()},
            {"cut within its string",
             [&] {
               const std::size_t bytes = count * (wide ? 2 : 1);
               Bytes r(small.begin(), small.begin() + std::ptrdiff_t(fields + ((bytes - 1) & ~std::size_t(3))));
               le::Put32(r.data() + 4, std::uint32_t(r.size()));
               return r;
             }()},
        };
        for (const auto& d : damaged) {
          SCOPED_TRACE(d.what);
          const Opened bad = Open(dir / "damaged.emf", EmfWithRecord(sample, d.record), registry);
          ASSERT_TRUE(bad.ok);
          EXPECT_TRUE(bad.told);
          EXPECT_TRUE(bad.shown == Open(dir / "sample.emf", sample, registry).shown);
          EXPECT_EQ(Play(bad.shown).texts, played.texts);
          MetafileWalkReport badReport;
          EXPECT_EQ(walk(EmfWithRecord(sample, d.record, 20), &badReport), made);
          EXPECT_FALSE(badReport.stoppedEarly);
          EXPECT_EQ(skipped(badReport), skipped(whole) + 1);
        }
      }
    }
  }
}

}  // namespace
}  // namespace kvn
