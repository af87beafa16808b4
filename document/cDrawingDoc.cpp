#include "document/cDrawingDoc.h"

#include <algorithm>
#include <ctime>
#include <string>

#include "document/PageMembership.h"
#include "document/SectionSource.h"
#include "document/cDocView.h"
#include "foundation/LangTable.h"
#include "foundation/LongPathFiles.h"
#include "foundation/PathNames.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"

namespace kvn {

namespace {

WString Decimal(std::uint64_t value) { return WString::FromUtf8(std::to_string(value)); }

// Entries a sheet contributes to the page list.
std::uint32_t EntriesOf(const cSheet& sheet) {
  const std::uint32_t pages = sheet.Drawing().PageCount();
  return pages > 1 ? pages : 1;
}

}  // namespace

void MakeDefaultSheetName(WString& text, std::uint32_t sheetIndex) {
  if (!text.IsEmpty()) return;
  text = LoadLangString(kStrDefaultSheetName);
  text.AppendChar(u' ');
  text.Append(Decimal(std::uint64_t(sheetIndex) + 1));
}

void AppendReferenceMarker(WString& text) { text.Append(LoadLangString(kStrReferenceMarker)); }

WString FormatPageLabel(const cDrawing& drawing, std::uint32_t page) {
  WString label = Decimal(std::uint64_t(page) + 1);
  if (page < drawing.PageCount()) {
    label.AppendChar(u' ');
    label.Append(drawing.GetPage(page)->name);
  }
  return label;
}

void cDrawingDoc::SetFileDateTime(std::uint64_t fileTime) {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;
  UnixFromFileTime(fileTime, seconds, nanoseconds);
  const std::time_t t = std::time_t(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return;
  this->fileDate[0] = std::uint8_t(local.tm_mday);
  this->fileDate[1] = std::uint8_t(local.tm_mon + 1);
  this->fileDate[2] = std::uint8_t(local.tm_year % 100);
  this->fileTime[0] = std::uint8_t(local.tm_hour);
  this->fileTime[1] = std::uint8_t(local.tm_min);
}

cDrawingDoc::cDrawingDoc() : fileVersion(std::uint16_t(kCurrentFileVersion)) {}

cDrawingDoc::~cDrawingDoc() {
  BeginLoad();
  for (std::size_t i = views_.size(); i-- > 0;) views_[i]->DocumentClosing();
  views_.clear();
  DestroySheets();
}

void cDrawingDoc::AddSheet(std::unique_ptr<cSheet> sheet, int index) {
  if (!sheet) return;
  sheet->SetOwner(this);
  cSheet* raw = sheet.release();
  sheets_.Add(raw);
  if (index >= 0 && std::uint32_t(index) < sheets_.Count() - 1) {
    // Move the new sheet from the end to its place.
    std::vector<cSheet*> order;
    for (std::uint32_t i = 0; i < sheets_.Count(); ++i) order.push_back(sheets_[i]);
    order.pop_back();
    order.insert(order.begin() + index, raw);
    while (sheets_.Count() > 0) sheets_.DetachAt(sheets_.Count() - 1);
    for (cSheet* s : order) sheets_.Add(s);
  }
}

std::unique_ptr<cSheet> cDrawingDoc::DetachSheet(std::uint32_t index) {
  std::unique_ptr<cSheet> sheet(sheets_.DetachAt(index));
  if (sheet) sheet->SetOwner(nullptr);
  return sheet;
}

void cDrawingDoc::DestroySheets() { sheets_.Clear(); }

std::uint32_t cDrawingDoc::IndexOfSheet(const cSheet* sheet) const {
  for (std::uint32_t i = 0; i < sheets_.Count(); ++i) {
    if (sheets_[i] == sheet) return i;
  }
  return 0xFFFFFFFF;
}

std::uint32_t cDrawingDoc::GetPageEntryCount() const {
  std::uint32_t count = 0;
  for (const cSheet* sheet : sheets_) count += EntriesOf(*sheet);
  return count;
}

std::uint32_t cDrawingDoc::GetPageEntryIndex(std::uint32_t sheetIndex, std::uint32_t page) const {
  if (sheetIndex >= sheets_.Count()) return 0;
  std::uint32_t entry = 0;
  for (std::uint32_t i = 0; i < sheetIndex; ++i) entry += EntriesOf(*sheets_[i]);
  if (page < sheets_[sheetIndex]->Drawing().PageCount()) entry += page;
  return entry;
}

cDrawing* cDrawingDoc::EntryToDrawing(std::uint32_t entry, std::uint32_t* page, std::uint32_t* sheetIndex) const {
  std::uint32_t first = 0;
  for (std::uint32_t i = 0; i < sheets_.Count(); ++i) {
    const std::uint32_t n = EntriesOf(*sheets_[i]);
    if (entry < first + n) {
      if (page) *page = entry - first;
      if (sheetIndex) *sheetIndex = i;
      return &sheets_[i]->Drawing();
    }
    first += n;
  }
  return nullptr;
}

void cDrawingDoc::EntryToSheetAndPage(std::uint32_t& sheetIndex, std::uint32_t& page, std::uint32_t entry) const {
  page = 0;
  if (sheetIndex >= sheets_.Count()) sheetIndex = 0;
  if (sheets_.Count() == 0) return;
  std::uint32_t mappedPage = 0;
  std::uint32_t mappedSheet = 0;
  if (EntryToDrawing(entry, &mappedPage, &mappedSheet)) {
    sheetIndex = mappedSheet;
    page = mappedPage;
  }
}

WString cDrawingDoc::GetPageEntryTitle(std::uint32_t entry) const {
  std::uint32_t page = 0;
  std::uint32_t sheetIndex = 0;
  const cDrawing* drawing = EntryToDrawing(entry, &page, &sheetIndex);
  WString title;
  if (!drawing) return title;
  const cSheet* sheet = sheets_[sheetIndex];
  if (sheets_.Count() > 1) {
    title = drawing->name;
    MakeDefaultSheetName(title, sheetIndex);
  }
  if (sheet->isReference) AppendReferenceMarker(title);
  if (drawing->PageCount() > 1) {
    if (!title.IsEmpty()) title.Append(WString(u" - "));
    title.Append(FormatPageLabel(*drawing, page));
  }
  return title;
}

WString cDrawingDoc::GetDisplayName() const {
  if (filePath.IsEmpty() && unsavedNumber != 0) {
    WString text = LoadLangString(kStrUnsavedDrawing);
    text.Append(Decimal(unsavedNumber));
    return text;
  }
  return filePath;
}

WString cDrawingDoc::GetTitleName() const {
  WString fileName = GetFileNamePart(GetDisplayName());
  const WString extension = GetFileExtension(fileName);
  if (!extension.IsEmpty()) fileName = fileName.Mid(0, fileName.Length() - extension.Length());
  return fileName;
}

void cDrawingDoc::SetFilePath(const WString& path) {
  unsavedNumber = 0;
  filePath = path;
  UpdateViewCaptions();
}

void cDrawingDoc::UseNameAsFilePath() { SetFilePath(GetFileNamePart(name)); }

void cDrawingDoc::BeginLoad() {
  loadState = std::max(loadState, 255);
  currentEntryMarker = -1;
}

void cDrawingDoc::MarkAllSheetsModified() {
  for (cSheet* sheet : sheets_) sheet->Drawing().MarkModified();
}

void cDrawingDoc::SwapPages(cDrawing& drawing, std::uint32_t a, std::uint32_t b) {
  if (a == b || a >= drawing.PageRecordCount() || b >= drawing.PageRecordCount()) return;
  const std::uint16_t idA = PageIdOfIndex(a);
  const std::uint16_t idB = PageIdOfIndex(b);
  if (cDrawingData* data = drawing.Data()) {
    for (std::uint32_t i = 0; i < data->BlockCount(); ++i) {
      if (cBlock* block = data->GetBlock(i)) SwapPagesInChain(*block, idA, idB);
    }
  }
  for (cSheet* sheet : sheets_) {
    if (&sheet->Drawing() == &drawing) SwapPagesInChain(sheet->TopBlock(), idA, idB);
  }
  drawing.SwapPageRecords(a, b);
  // Section views keep showing the same content on its new page.
  for (cSheet* sheet : sheets_) {
    for (cOutObj* o = sheet->TopBlock().FirstObject(); o; o = o->next) {
      cSection* section = o->AsSection();
      if (!section || GetSectionSourceDrawing(*section, sheet->Data()) != &drawing) continue;
      if (section->page == a) {
        section->page = std::uint16_t(b);
      } else if (section->page == b) {
        section->page = std::uint16_t(a);
      } else {
        continue;
      }
      section->MarkDirty();
    }
  }
  ForEachViewOf(&drawing, [a, b](cDocView& view) {
    if (view.GetCurrentPage() == a) {
      view.SetCurrentPage(std::uint16_t(b));
    } else if (view.GetCurrentPage() == b) {
      view.SetCurrentPage(std::uint16_t(a));
    }
  });
  drawing.MarkModified();
  UpdateViewCaptions();
}

void cDrawingDoc::AddView(cDocView* view) {
  if (view && std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void cDrawingDoc::RemoveView(cDocView* view) { std::erase(views_, view); }

void cDrawingDoc::ForEachViewOf(const cDrawing* drawing, const std::function<void(cDocView&)>& fn) const {
  for (cDocView* view : views_) {
    const cSheet* sheet = sheets_.Get(view->GetSheetIndex());
    if (sheet && &sheet->Drawing() == drawing) fn(*view);
  }
}

void cDrawingDoc::UpdateViewCaptions() {
  const WString displayName = GetDisplayName();
  for (std::size_t i = 0; i < views_.size(); ++i) {
    cDocView& view = *views_[i];
    WString caption = displayName;
    if (views_.size() > 1) {
      caption.AppendChar(u':');
      caption.Append(Decimal(i + 1));
    }
    const std::uint32_t sheetIndex = view.GetSheetIndex();
    const cSheet* sheet = sheets_.Get(sheetIndex);
    if (sheet) {
      if (sheets_.Count() > 1) {
        WString drawingName = sheet->Drawing().name;
        MakeDefaultSheetName(drawingName, sheetIndex);
        caption.Append(WString(u" - "));
        caption.Append(drawingName);
      }
      if (sheet->isReference) AppendReferenceMarker(caption);
      const cDrawing& drawing = sheet->Drawing();
      const std::uint32_t pages = drawing.PageCount();
      if (pages > 1) {
        const std::uint32_t page = std::min<std::uint32_t>(view.GetCurrentPage(), pages - 1);
        caption.Append(WString(u"  ( "));
        caption.Append(Decimal(page + 1));
        caption.AppendChar(u'/');
        caption.Append(Decimal(pages));
        caption.AppendChar(u' ');
        caption.Append(drawing.GetPage(page)->name);
        caption.AppendChar(u')');
      }
    }
    view.SetCaption(caption);
  }
}

}  // namespace kvn
