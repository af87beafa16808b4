// The DGN reader: MicroStation V7 design files (2-D and 3-D), read element by
// element and handed to the reader context (import/records/YxxfReader.h) as
// group-code lists and ready records; the context's assembly makes the
// document. Cells and shared cell definitions become blocks (the cell's
// components are its content, found by the word counts of the headers),
// closed cells an INSERT; complex chains and shapes one cubic path.
//
// Refused: DGN V8 (an OLE compound file), and any file whose first element
// is neither a TCB nor a cell library header. A file cut short (no end
// marker), an element whose stated length passes the end, a cell whose
// length does, or an end marker with data after its sector (zero sectors
// are padding), ends the element loop: what was read is assembled, with the
// warning "File read error.". Elements too short for their type are left out
// and counted in the open's warnings; an element that holds more than its
// type's data or swallowed a whole element after it (or the file's end
// marker), or runs past the end of the cell, complex element or B-spline it
// lies in (a damaged word count), tells the file as damaged; so does a
// deleted element whose count covers elements that are not deleted (other
// than the components a deleted cell spans) or the end marker, and a
// complex chain or shape that an element without the complex bit ends
// before its count of components (that element and the ones after it are
// read as they are). Elements of types without a name are left out
// and counted.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "document/DocumentResult.h"
#include "document/ResultCodes.h"
#include "foundation/WString.h"

namespace kvn {

class FormatRegistry;
class InFileStream;
class ProgressMonitor;
class YxxfReader;
struct DwgLoadReport;

// Reasons an element is read but not drawn, as kvn-dump names them.
inline constexpr char kDgnSkipDeleted[] = "deleted";
inline constexpr char kDgnSkipNonPlanar[] = "non-planar";
inline constexpr char kDgnSkipNotDrawn[] = "type not drawn";
inline constexpr char kDgnSkipCutShort[] = "cut short";
// A type without a name here (0, 13, 20, 56, 101...): what it held is not
// known, so it is told as read and left out.
inline constexpr char kDgnSkipUnknownType[] = "unknown type";

// What the element loop found, by element type name (DgnTypeName).
struct DgnReadOutcome {
  // Graphic elements as drawn: components of cells and text nodes one by
  // one, a complex chain or shape once through its header; cell headers,
  // text nodes, shared cells and deleted elements are not counted.
  std::map<std::string, std::uint64_t> entities;
  std::map<std::string, std::map<std::string, std::uint64_t>> skipped;
  std::uint64_t elements = 0;
  // Elements left out because they are shorter than their type's fields
  // (counted "cut short" in `skipped`; the element that passes the end of
  // the file is not among them: it ends the read).
  std::uint64_t damaged = 0;
  // Elements that hold more than their data or run past the end of their
  // chain (a damaged word count, which passed over the elements after it),
  // and complex chains and shapes cut short by an element that is none of
  // their components (a damaged count of components, or a header that is
  // none): read, and the file told as damaged.
  std::uint64_t overlong = 0;
  // The file ended at its end marker, outside any cell.
  bool readToEnd = true;
  bool cancelled = false;
};

// The first bytes of a V7 design file: a TCB (08 or C8, then 09 FE 02) or a
// cell library (08 05 17 00).
bool IsDgnV7Signature(std::span<const std::uint8_t> first);

// Reads the first ten bytes: kLoadOk with the file's dimension (2 or 3),
// else the cause of the refusal (kOpenDgnV8, kOpenDgnNotDgn).
LoadResult CheckDgnSignature(InFileStream& in, int& dimension);

// The 64 layers "00" to "63" and the element loop from the start of the
// stream into the reader context; levels the TCB hides are switched off.
// False when the monitor cancelled.
bool ReadDgnElements(InFileStream& in, int dimension, YxxfReader& reader, ProgressMonitor* monitor,
                     DgnReadOutcome& outcome);

DocumentResult LoadDgnFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report);
// Over an open stream (the fuzz target reads from memory).
DocumentResult LoadDgnStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report);

// Registers the reader in the dispatcher's DGN slot.
void RegisterDgnReader(FormatRegistry& registry);

}  // namespace kvn
