// The rows of the field table and what each yields.
//
// Values taken where no fixed field was named: the drawing's number mode is
// the 4-bit setting of the drawing record (9 unless a file says otherwise,
// the default number mode of dimensions too); the distance scale is the
// record's unit real; the block attribute list of the drawing record is the
// top block's; the field switch is the top block's byte value.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "document/SectorLabel.h"
#include "document/TitleFields.h"
#include "document/TitleFieldsInternal.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"
#include "foundation/TextFormat.h"
#include "model/AttributeList.h"
#include "model/LevelTable.h"
#include "model/StyleTable.h"
#include "model/cBlock.h"
#include "model/cConPoint.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cLink.h"
#include "model/cStyleLink.h"
#include "model/cText.h"

namespace kvn {

namespace {

void Put(std::u16string& out, const WString& text) { out.assign(text.View()); }

void PutInt(std::u16string& out, std::int64_t value) {
  const std::string digits = std::to_string(value);
  out.assign(digits.begin(), digits.end());
}

// A count or position that may be out of range: NaN or beyond 64 bits gives
// nothing rather than undefined conversion.
void PutWhole(std::u16string& out, double value) {
  if (std::isfinite(value) && std::fabs(value) < 9.0e18) PutInt(out, std::int64_t(value));
}

void PutNumber(std::u16string& out, double value, int mode) { Put(out, FormatDouble(value, mode)); }

int NumberMode(const FieldCall& call) { return call.drawing.fourBitSetting; }

void PutInNumberMode(std::u16string& out, const FieldCall& call, double value) {
  PutNumber(out, value, NumberMode(call));
}

// As the page shows it: the bytes of a name that is not UTF-8 as U+FFFD.
WString DocumentFilePath(const FieldCall& call) {
  return call.document ? DisplayPath(call.document->GetDisplayName()) : WString();
}

void AppendExtraChars(FieldCall& call) {
  if (call.extraChars) call.extraChars->AppendCStr(u"0123456789.-:/");
}

cInsert* CurrentInsert(const FieldCall& call) { return call.insert ? call.insert->AsInsert() : nullptr; }

// The object whose level and pages the position rows read.
const cOutObj* SubjectObject(const FieldCall& call) {
  if (cInsert* insert = CurrentInsert(call)) return insert;
  return call.text;
}

// Where the object stands: the current insert's insertion point, the centre
// of the link's vertices, or the text's own point.
bool ObjectPosition(const FieldCall& call, DPoint& at) {
  if (cInsert* insert = CurrentInsert(call)) {
    at = insert->point;
    return true;
  }
  if (const cLink* link = call.scratch.link) {
    const auto points = link->Points().Points();
    if (!points.empty()) {
      double x1 = points[0].x, y1 = points[0].y, x2 = x1, y2 = y1;
      for (const DPoint& p : points) {
        x1 = std::min(x1, p.x), y1 = std::min(y1, p.y), x2 = std::max(x2, p.x), y2 = std::max(y2, p.y);
      }
      at = DPoint{(x1 + x2) / 2, (y1 + y2) / 2};
      return true;
    }
  }
  if (call.text) {
    at = call.text->point;
    return true;
  }
  return false;
}

// Tile column and row (1-based) of the object; false (the rows show "1")
// without a format or a positive tile size.
bool TileOf(const FieldCall& call, double& column, double& row) {
  const cDrawing& d = call.drawing;
  double width = 0.0, height = 0.0;
  d.GetPrintableSize(width, height);
  DPoint at;
  if (d.HasNoFormat() || !(width > 0.0) || !(height > 0.0) || !ObjectPosition(call, at)) return false;
  column = std::ceil((at.x - d.formatOrigin.x) / width);
  row = std::ceil((at.y - d.formatOrigin.y) / height);
  return std::isfinite(column) && std::isfinite(row);
}

void PutTile(std::u16string& out, FieldCall& call, int which) {
  double column = 0.0, row = 0.0;
  if (!TileOf(call, column, row)) {
    out = u"1";
    return;
  }
  int across = 1, down = 1;
  call.drawing.GetTileCounts(across, down);
  switch (which) {
    case 0: PutWhole(out, column); break;
    case 1: PutWhole(out, row); break;
    case 2: PutWhole(out, (row - 1) * across + column); break;
    default: PutWhole(out, (column - 1) * down + row); break;
  }
}

WString SectorAxisLabel(const FieldCall& call, int axis) {
  const cDrawing& d = call.drawing;
  DPoint at;
  if (!d.sectorsOn || !ObjectPosition(call, at)) return WString();
  double width = 0.0, height = 0.0;
  d.GetPrintableSize(width, height);
  const DRect area = d.GetPrintableArea();
  if (axis == 0) return GetSectorLabel(d.sectors[0], width, area.x2 - area.x1, at.x, d.formatOrigin.x);
  return GetSectorLabel(d.sectors[1], height, area.y2 - area.y1, at.y, d.formatOrigin.y);
}

void PutSectorSetting(std::u16string& out, FieldCall& call, int axis, int what) {
  if (!call.drawing.sectorsOn) return;
  const SectorSettings& s = call.drawing.sectors[std::size_t(axis)];
  if (what == 0) {
    PutInt(out, s.count);
  } else {
    PutInNumberMode(out, call, what == 1 ? s.begin : s.step);
  }
}

// The page ids the object is on, in page order; `all` when it is on every page.
std::vector<std::uint32_t> ObjectPages(const FieldCall& call, bool& all) {
  all = false;
  std::vector<std::uint32_t> pages;
  const cOutObj* object = SubjectObject(call);
  if (!object) return pages;
  const auto* list = object->PageList();
  const std::uint32_t n = list ? list->Count() : 1;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint16_t id = object->GetPageId(i);
    if (id == kAllPages) {
      all = true;
      return {};
    }
    if (id < call.drawing.PageCount()) pages.push_back(id);
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

void PutPages(std::u16string& out, FieldCall& call, bool names) {
  if (call.drawing.PageCount() == 0) {
    if (!names) out = u"1";
    return;
  }
  bool all = false;
  const std::vector<std::uint32_t> pages = ObjectPages(call, all);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i) out += u", ";
    if (names) {
      out += call.drawing.GetPage(pages[i])->name.View();
    } else {
      std::u16string number;
      PutInt(number, std::int64_t(pages[i]) + 1);
      out += number;
    }
  }
}

const LevelRecord* SubjectLevel(FieldCall& call) {
  const cOutObj* object = SubjectObject(call);
  return object ? call.data.Levels().FindLevel(object->Level()) : nullptr;
}

void PutAttribute(std::u16string& out, const AttributeList& list, std::u16string_view name) {
  WString value;
  if (list.Lookup(nullptr, nullptr, value, nullptr, WString(name))) Put(out, value);
}

void PutFormat(std::u16string& out, FieldCall& call, int what) {
  const cDrawing& d = call.drawing;
  double v = 0.0;
  switch (what) {
    case 0: v = d.formatSize.x; break;
    case 1: v = d.formatSize.y; break;
    case 2: v = d.formatSize.x - 2 * d.formatMargins.x; break;
    case 3: v = d.formatSize.y - 2 * d.formatMargins.y; break;
    case 4: v = d.formatMargins.x; break;
    default: v = d.formatMargins.y; break;
  }
  PutNumber(out, v, 2);
}

PaperNameLookup& PaperLookup() {
  static PaperNameLookup lookup = nullptr;
  return lookup;
}

const cLink* FirstLink(const FieldCall& call) { return call.scratch.link; }

void PutInputName(std::u16string& out, FieldCall& call) {
  for (cOutObj* o : call.context) {
    if (const cConPoint* point = o ? o->AsConPoint() : nullptr) {
      Put(out, point->name);
      return;
    }
  }
  const cLink* link = FirstLink(call);
  if (!link) return;
  int end = -1;
  cInsert* insert = FieldInsert(call, &end);
  if (!insert || end < 0) return;
  const std::uint16_t index = end == 0 ? link->end1Index : link->end2Index;
  if (const cOutObj* point = NthConPoint(PlacedBlock(*insert, call.data), index)) Put(out, point->AsConPoint()->name);
}

void PutTestLength(std::u16string& out, FieldCall& call) {
  cInsert* insert = CurrentInsert(call);
  if (!insert) return;
  for (cOutObj* child : insert->GetChildren()) {
    if (const cLine* line = dynamic_cast<const cLine*>(child)) {
      PutInNumberMode(out, call, std::hypot(line->end.x - line->start.x, line->end.y - line->start.y));
      return;
    }
  }
}

void PutFolder(std::u16string& out, FieldCall& call) {
  const WString path = DocumentFilePath(call);
  Put(out, path.Mid(0, path.Length() - GetFileNamePart(path).Length()));
}

using O = std::u16string;
using C = FieldCall;

const FieldRow kRows[kFieldRowCount] = {
    {0, [](O& o, C& c) {
       WString name = GetFileNamePart(DocumentFilePath(c));
       const WString extension = GetFileExtension(name);
       Put(o, name.Mid(0, name.Length() - extension.Length()));
     }, {u"soubor:název", u"súbor:názov", u"file:name"}},
    {0, PutFolder, {u"soubor:adresář", u"súbor:adresár", u"file:path"}},
    {0, PutFolder, {u"soubor:cesta", u"súbor:cesta", u"file:path"}},
    {0, [](O& o, C& c) {
       AppendExtraChars(c);
       const std::uint8_t* d = c.document ? c.document->fileDate : nullptr;
       Put(o, FormatPercentD3(WString(u"%d.%d.%d"), d ? d[0] : 0, d ? d[1] : 0, d ? d[2] : 0));
     }, {u"soubor:datum", u"súbor:dátum", u"file:date"}},
    {0, [](O& o, C& c) {
       AppendExtraChars(c);
       const std::uint8_t* t = c.document ? c.document->fileTime : nullptr;
       PutInt(o, t ? t[0] : 0);
       const int minute = t ? t[1] : 0;
       o += minute < 10 ? u":0" : u":";
       std::u16string m;
       PutInt(m, minute);
       o += m;
     }, {u"soubor:čas", u"súbor:čas", u"file:time"}},
    {0, [](O& o, C& c) { if (c.document) Put(o, c.document->comment); },
     {u"výkres:komentář", u"výkres:komentár", u"drawing:comment"}},
    {1, [](O& o, C& c) { if (c.document) PutAttribute(o, c.document->attributes, c.parameter); },
     {u"výkres:atribut:", u"výkres:atribút:", u"drawing:attribute:"}},
    {0, [](O& o, C& c) { PutInt(o, c.document ? c.document->SheetCount() : 1); },
     {u"výkres:počet", u"výkres:počet", u"drawing:count"}},
    {0, [](O& o, C& c) { Put(o, c.drawing.name); }, {u"výkres:název", u"výkres:názov", u"drawing:name"}},
    {0, [](O& o, C& c) {
       std::uint32_t order = 0;
       for (std::uint32_t i = 0; c.document && i < c.document->SheetCount() && order == 0; ++i) {
         const cSheet* sheet = c.document->GetSheet(i);
         if (sheet && &sheet->Drawing() == &c.drawing) order = i + 1;
       }
       PutInt(o, order);
     }, {u"výkres:pořadí", u"výkres:poradie", u"drawing:order"}},
    {0, [](O& o, C& c) {
       const double scale = c.data.GetScale();
       if (!(scale > 0.0)) {
         o = u"0";
         return;
       }
       char buffer[kDoubleTextBuffer];
       FormatScaleRatio(buffer, 1.0 / scale, false);
       for (const char* p = buffer; *p; ++p) o.push_back(char16_t(*p));
     }, {u"výkres:měřítko", u"výkres:merítko", u"drawing:scale"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 0); }, {u"formát:x", u"formát:x", u"format:x"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 1); }, {u"formát:y", u"formát:y", u"format:y"}},
    {0, [](O& o, C& c) {
       if (PaperLookup() && !c.drawing.HasNoFormat()) Put(o, PaperLookup()(c.drawing.formatSize.x, c.drawing.formatSize.y));
     }, {u"formát:název", u"formát:názov", u"format:name"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 2); }, {u"formát:viditelný:x", u"formát:viditeľný:x", u"format:visible:x"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 3); }, {u"formát:viditelný:y", u"formát:viditeľný:y", u"format:visible:y"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 4); }, {u"formát:okraje:x", u"formát:okraje:x", u"format:margins:x"}},
    {0, [](O& o, C& c) { PutFormat(o, c, 5); }, {u"formát:okraje:y", u"formát:okraje:y", u"format:margins:y"}},
    {2, [](O& o, C& c) { PutPages(o, c, true); }, {u"stránka:název", u"strana:názov", u"page:name"}},
    {2, [](O& o, C& c) { PutPages(o, c, false); }, {u"stránka:pořadí", u"strana:poradie", u"page:order"}},
    {0, [](O& o, C& c) { PutInt(o, c.drawing.PageCount() ? c.drawing.PageCount() : 1); },
     {u"stránka:počet", u"strana:počet", u"page:count"}},
    {2, [](O& o, C& c) { PutTile(o, c, 0); }, {u"dlaždice:x", u"dlaždica:x", u"tile:x"}},
    {2, [](O& o, C& c) { PutTile(o, c, 1); }, {u"dlaždice:y", u"dlaždica:y", u"tile:y"}},
    {0, [](O& o, C& c) {
       int across = 1, down = 1;
       c.drawing.GetTileCounts(across, down);
       PutInt(o, across);
       o += u"x";
       std::u16string d;
       PutInt(d, down);
       o += d;
     }, {u"dlaždice:počet", u"dlaždica:počet", u"tile:count"}},
    {0, [](O& o, C& c) {
       int across = 1, down = 1;
       c.drawing.GetTileCounts(across, down);
       PutInt(o, across);
     }, {u"dlaždice:počet:x", u"dlaždica:počet:x", u"tile:count:x"}},
    {0, [](O& o, C& c) {
       int across = 1, down = 1;
       c.drawing.GetTileCounts(across, down);
       PutInt(o, down);
     }, {u"dlaždice:počet:y", u"dlaždica:počet:y", u"tile:count:y"}},
    {2, [](O& o, C& c) { PutTile(o, c, 2); }, {u"dlaždice:pořadí:x", u"dlaždica:poradie:x", u"tile:order:x"}},
    {2, [](O& o, C& c) { PutTile(o, c, 3); }, {u"dlaždice:pořadí:y", u"dlaždica:poradie:y", u"tile:order:y"}},
    {2, [](O& o, C& c) {
       Put(o, SectorAxisLabel(c, 0));
       o += SectorAxisLabel(c, 1).View();
     }, {u"sektor", u"sektor", u"sector"}},
    {2, [](O& o, C& c) { Put(o, SectorAxisLabel(c, 0)); }, {u"sektor:x", u"sektor:x", u"sector:x"}},
    {2, [](O& o, C& c) { Put(o, SectorAxisLabel(c, 1)); }, {u"sektor:y", u"sektor:y", u"sector:y"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 0, 0); }, {u"sektor:počet:x", u"sektor:počet:x", u"sector:count:x"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 1, 0); }, {u"sektor:počet:y", u"sektor:počet:y", u"sector:count:y"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 0, 1); },
     {u"sektor:začátek:x", u"sektor:začiatok:x", u"sector:begin:x"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 1, 1); },
     {u"sektor:začátek:y", u"sektor:začiatok:y", u"sector:begin:y"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 0, 2); }, {u"sektor:krok:x", u"sektor:krok:x", u"sector:step:x"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 1, 2); }, {u"sektor:krok:y", u"sektor:krok:y", u"sector:step:y"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 0, 1); }, {nullptr, nullptr, u"sector:begin:x:"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 1, 1); }, {nullptr, nullptr, u"sector:begin:y:"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 0, 2); }, {nullptr, nullptr, u"sector:step:x:"}},
    {0, [](O& o, C& c) { PutSectorSetting(o, c, 1, 2); }, {nullptr, nullptr, u"sector:step:y:"}},
    {2, [](O& o, C& c) { if (const LevelRecord* level = SubjectLevel(c)) Put(o, level->name); },
     {u"hladina:název", u"hladina:názov", u"layer:name"}},
    {2, [](O& o, C& c) { if (const LevelRecord* level = SubjectLevel(c)) PutInNumberMode(o, c, level->value); },
     {u"hladina:výška", u"hladina:výška", u"layer:height"}},
    {2, [](O& o, C& c) {
       if (cInsert* insert = FieldInsert(c)) {
         if (const WString* name = insert->GetDisplayName(&c.data)) Put(o, *name);
       }
     }, {u"blok:název", u"blok:názov", u"block:name"}},
    {2, [](O& o, C& c) {
       if (cInsert* insert = FieldInsert(c)) {
         WString text;
         insert->GetDescription(text, &c.data, nullptr);
         Put(o, text);
       }
     }, {u"blok:popis", u"blok:popis", u"block:description"}},
    {2, [](O& o, C& c) {
       if (cInsert* insert = FieldInsert(c)) {
         WString text;
         insert->GetFirstValue(text);
         Put(o, text);
       }
     }, {u"blok:hodnota", u"blok:hodnota", u"block:value"}},
    {3, [](O& o, C& c) {
       if (cInsert* insert = FieldInsert(c)) {
         PutAttribute(o, insert->attributes, c.parameter);
       } else if (c.scratch.topBlock) {
         PutAttribute(o, c.scratch.topBlock->attributes, c.parameter);
       }
     }, {u"blok:atribut:", u"blok:atribút:", u"block:attribute:"}},
    {0, [](O& o, C& c) { if (const cLink* link = FirstLink(c)) Put(o, link->GetDescription()); },
     {u"spoj:popis", u"spoj:popis", u"link:description"}},
    {0, [](O& o, C& c) {
       const cLink* link = FirstLink(c);
       if (link && link->linkStyle < c.data.LinkStyles().Count()) {
         if (const cStyleLink* style = c.data.LinkStyles().Get(link->linkStyle)) Put(o, style->name);
       }
     }, {u"spoj:styl", u"spoj:štýl", u"link:style"}},
    {1, [](O& o, C& c) { if (const cLink* link = FirstLink(c)) PutAttribute(o, link->attributes, c.parameter); },
     {u"spoj:atribut:", u"spoj:atribút:", u"link:attribute:"}},
    {0, [](O& o, C& c) { PutInputName(o, c); }, {u"vstup:název", u"vstup:názov", u"input:name"}},
    {0, [](O&, C& c) { ListReferences(c); }, {u"seznam:reference", u"zoznam:referencie", u"list:references"}},
    {0, [](O&, C& c) { ListInputs(c); }, {u"seznam:vstupy", u"zoznam:vstupy", u"list:inputs"}},
    {2, [](O& o, C& c) { PutTestLength(o, c); }, {nullptr, nullptr, u"!test:TEST_LEN"}},
    {2, [](O&, C&) {}, {nullptr, nullptr, u"!test:TEST_AREA"}},
    {0, [](O& o, C& c) { PutInNumberMode(o, c, c.drawing.formatOrigin.x); }, {nullptr, nullptr, u"!test:format:begin:x"}},
    {0, [](O& o, C& c) { PutInNumberMode(o, c, c.drawing.formatOrigin.y); }, {nullptr, nullptr, u"!test:format:begin:y"}},
    {0, [](O& o, C& c) { PutNumber(o, c.drawing.printScale, 12); }, {nullptr, nullptr, u"!test:drawing:print scale"}},
    {0, [](O& o, C& c) { PutNumber(o, c.drawing.unitReal, 18); }, {nullptr, nullptr, u"!test:drawing:distance scale"}},
    {4, [](O&, C& c) { c.list.emplace(); }, {nullptr, nullptr, u"list:blocks"}},
    {4, [](O&, C& c) { c.list.emplace(); }, {nullptr, nullptr, u"list:links"}},
};

}  // namespace

std::span<const FieldRow> FieldRows() { return kRows; }

PaperNameLookup SetPaperNameLookup(PaperNameLookup lookup) {
  PaperNameLookup previous = PaperLookup();
  PaperLookup() = lookup;
  return previous;
}

}  // namespace kvn
