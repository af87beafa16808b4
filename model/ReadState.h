// ReadContext: the state that object records of old files hand to the reader
// of the records after them, kept per read instead of per process.
//
// Files before 3050 store a patterned line's symbol settings once, in the
// record of the line that announces them (line type with bit 7), and the
// symbol-line conversion after that record (flag 0x04, the list reader) turns
// them into a line style together with the line's own attributes. A nested
// read (an external reference, the built-in fonts or line types, which are
// native containers read in the middle of another read) must not see or
// overwrite the outer read's values, so whoever reads a drawing body owns one
// context for that read and passes it to every Read; a null context keeps
// nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/WString.h"
#include "model/StyleTable.h"
#include "model/TextAttributes.h"

namespace kvn {

class cAnyLine;

// The type code of the holder object; no class of the factory has it.
inline constexpr std::uint8_t kLineHolderTypeCode = 30;

struct OldPatternValues {
  double repeatLength = 0.0;  // the first symbol value; never below 0
  double startOffset = 0.0;   // the second symbol value; -1.0 for "at both ends"
  std::uint8_t symbolByte = 0;
};

struct ReadContext {
  ReadContext();
  ~ReadContext();
  ReadContext(const ReadContext&) = delete;
  ReadContext& operator=(const ReadContext&) = delete;

  // The symbol settings of the last pre-3050 line that announced them.
  OldPatternValues oldPattern;
  // A stroked object (type code 30) with the line attributes of the last
  // unstyled pre-3050 stroked record; null until one was read.
  std::unique_ptr<cAnyLine> lineHolder;
  // The link style remembered by the reader of old link records; reset to
  // none before each object record.
  std::uint16_t rememberedLinkStyle = kNoStyle;
  // Linked inserts of records before 3082 store no number: each takes the
  // next value of this counter.
  std::uint16_t linkedInsertCounter = 0;
  // Inserts read so far: links name the inserts at their ends by their
  // places in this order (from 1).
  std::uint32_t insertsRead = 0;
  // The drawing's first two default text-attribute records: the label styles
  // of inserts before 3050, which store none. Null when the read has no
  // drawing record.
  const TextAttributes* labelTextAttributes = nullptr;
  // The file-name part of the file being read, without its extension: line
  // styles made from old symbol lines are named after it.
  WString fileTitle;
  // Records taken out of what was read as damaged (a placed metafile's text
  // records that do not hold their text): the open tells the drawing was
  // read in part.
  std::uint32_t damagedRecordsDropped = 0;
};

}  // namespace kvn
