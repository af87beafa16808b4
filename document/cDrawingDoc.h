// cDrawingDoc: an open document: the sheets read from one file, the
// document-level fields of the native container, and the views that show it.
//
// The page list: the viewer's windows show one sheet and one page at a time,
// and the page list numbers them all: a paged sheet with n > 1 pages gives n
// entries, every other sheet one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/cSheet.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/AttributeList.h"

namespace kvn {

class cDocView;
class InFileStream;
struct NativeReadOptions;

// String resources of the page-list texts.
inline constexpr int kStrDefaultSheetName = 18252;   // "Drawing"
inline constexpr int kStrReferenceMarker = 18260;    // " (External reference)"
inline constexpr int kStrUnsavedDrawing = 19132;     // "Drawing"

// One entry of the list the container stores from 3099 on.
struct ContainerEntry {
  std::uint8_t present = 0;
  std::uint16_t number = 0;
  std::array<std::uint8_t, 8> bytes{};
  double value = 0.0;
};

class cDrawingDoc {
 public:
  cDrawingDoc();
  ~cDrawingDoc();
  cDrawingDoc(const cDrawingDoc&) = delete;
  cDrawingDoc& operator=(const cDrawingDoc&) = delete;

  // ---- sheets ----
  std::uint32_t SheetCount() const { return sheets_.Count(); }
  cSheet* GetSheet(std::uint32_t index) const { return sheets_.Get(index); }
  cSheet* GetFirstSheet() const { return sheets_.Get(0); }
  // Inserts the sheet (index -1 or beyond the end: appends); the sheet
  // joins this document.
  void AddSheet(std::unique_ptr<cSheet> sheet, int index = -1);
  // Removes a sheet without destroying it (null out of range).
  std::unique_ptr<cSheet> DetachSheet(std::uint32_t index);
  // Destroys every sheet, the last first.
  void DestroySheets();
  std::uint32_t IndexOfSheet(const cSheet* sheet) const;

  // ---- page list ----
  // Sum over the sheets of (page count when paged and above 1, else 1).
  std::uint32_t GetPageEntryCount() const;
  // Entries of the earlier sheets, plus the page when it is below the
  // sheet's page count; 0 for a sheet index out of range.
  std::uint32_t GetPageEntryIndex(std::uint32_t sheetIndex, std::uint32_t page) const;
  // The drawing of an entry with its page and sheet index; null past the end.
  cDrawing* EntryToDrawing(std::uint32_t entry, std::uint32_t* page, std::uint32_t* sheetIndex) const;
  // In/out sheet index (0 when beyond the sheets), out page (0 first).
  void EntryToSheetAndPage(std::uint32_t& sheetIndex, std::uint32_t& page, std::uint32_t entry) const;
  // The sheet's drawing name when there is more than one sheet (a default
  // name when empty), the reference marker for a reference sheet, and for a
  // paged drawing of 2+ pages a separator, the 1-based page and its name.
  WString GetPageEntryTitle(std::uint32_t entry) const;

  // ---- names ----
  // The file path; an unsaved document with a number: "Drawing" + number.
  WString GetDisplayName() const;
  // The display name's file-name part without its extension.
  WString GetTitleName() const;
  void SetFilePath(const WString& path);
  // SetFilePath with the file-name part of the document's name.
  void UseNameAsFilePath();

  // ---- loading and changes ----
  // Load state raised to 255 and the current-entry marker -1.
  void BeginLoad();
  void MarkAllSheetsModified();
  // Exchanges pages a and b (0-based) of a drawing: object memberships in
  // every block of the drawing's data and in its top block, the page
  // records, each view's current page and the page of every section view
  // (on any sheet) that shows the drawing; the captions are updated.
  void SwapPages(cDrawing& drawing, std::uint32_t a, std::uint32_t b);

  // The native container (or single-sheet stream) from the stream's
  // current position. Result code 0 or a LoadResult.
  int ReadNativeContainer(InFileStream& in, const NativeReadOptions& options);

  // ---- views (not owned) ----
  void AddView(cDocView* view);
  void RemoveView(cDocView* view);
  std::uint32_t ViewCount() const { return std::uint32_t(views_.size()); }
  cDocView* GetView(std::uint32_t index) const { return index < views_.size() ? views_[index] : nullptr; }
  void ForEachViewOf(const cDrawing* drawing, const std::function<void(cDocView&)>& fn) const;
  void UpdateViewCaptions();

  // ---- fields ----
  WString name;  // the path the document was opened from
  std::int32_t loadState = 0;
  // Set while the document is being changed as a whole: section views draw
  // nothing meanwhile.
  std::uint8_t busy = 0;
  std::int32_t currentEntryMarker = 0;
  WString filePath;
  std::uint8_t firstSheetOnly = 0;
  std::uint8_t attributesOnly = 0;
  std::uint16_t fileVersion;
  std::uint16_t unsavedNumber = 0;
  std::uint16_t currentEntry = 0;
  std::uint16_t currentPage = 0;
  WString comment;
  // Records the native read took out as damaged (ReadContext): the drawing
  // was read in part.
  std::uint32_t damagedRecordsDropped = 0;
  // The file's last modification at open, local time: day, month, year of
  // the century; hour, minute. Zeros for a document without a file.
  std::uint8_t fileDate[3] = {0, 0, 0};
  std::uint8_t fileTime[2] = {0, 0};
  // Fills the two above from a file time (FILETIME units), in local time.
  void SetFileDateTime(std::uint64_t fileTime);
  // The two 32-bit values of containers from 3080 on.
  std::int32_t containerWords[2] = {-1, -1};
  std::vector<ContainerEntry> entries;
  AttributeList attributes;

 private:
  OwnedArray<cSheet> sheets_{8};
  std::vector<cDocView*> views_;
};

// An empty text becomes "Drawing" and the 1-based sheet index.
void MakeDefaultSheetName(WString& text, std::uint32_t sheetIndex);
// Appends the external-reference marker.
void AppendReferenceMarker(WString& text);
// The 1-based page number, and for a page of the drawing a blank and its name.
WString FormatPageLabel(const cDrawing& drawing, std::uint32_t page);

}  // namespace kvn
