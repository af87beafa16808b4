// Style references in the archive, and inline style records.
//
// A reference is a u16 (StyleTable.h). In the stream it is written as:
//   text references with built-ins allowed: one bit, the high bit of the
//     reference; when set, its low three bits follow and nothing else
//   bit 0                      none (65535)
//   bit 1, bit 0, compact u16  a style already written (or, without drawing
//                              data, any index)
//   bit 1, bit 1, name, description, record, compact u16
//                              the first reference to a style: its record
//                              travels inline
//
// Writing numbers the styles of each table in the order of their first
// reference (the table's write counter); the reader appends inline styles in
// the same order, so a written number is the style's index in the reader's
// table when that table starts empty. Before a drawing is written every
// written number must be -1 and every counter 65535 (ResetStyleWriteNumbers).
//
// Two guards the plain protocol lacks:
// - An inline style is given its table slot before its record is read. A
//   style's record may itself hold objects that refer to further styles of
//   the same table (a symbol line whose symbol is drawn with another line
//   style); the writer numbers the outer style first, so the reader must
//   place it first too, or every later index of that table is off by one.
// - Inline records nest at most kMaxInlineStyleDepth deep; a deeper record
//   sets the archive's error flag, so a crafted chain of styles inside
//   symbols cannot exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleTable.h"
#include "model/VersionedString.h"
#include "model/cAnyStyle.h"

namespace kvn {

class cDrawingData;

inline constexpr int kMaxInlineStyleDepth = 32;

// The table of a style class in the drawing data; null without drawing data.
template <class T>
StyleTable<T>* TableOf(cDrawingData* data);
template <>
StyleTable<cStyleLine>* TableOf<cStyleLine>(cDrawingData* data);
template <>
StyleTable<cStyleFill>* TableOf<cStyleFill>(cDrawingData* data);
template <>
StyleTable<cStyleText>* TableOf<cStyleText>(cDrawingData* data);
template <>
StyleTable<cStyleWall>* TableOf<cStyleWall>(cDrawingData* data);
template <>
StyleTable<cStyleLink>* TableOf<cStyleLink>(cDrawingData* data);
template <>
StyleTable<cStyleFont>* TableOf<cStyleFont>(cDrawingData* data);

// Every written number -1 and every write counter 65535, in all six tables.
void ResetStyleWriteNumbers(cDrawingData& data);

namespace style_refs {

// Counts the inline records being read; false once the nesting is too deep.
class InlineDepth {
 public:
  InlineDepth();
  ~InlineDepth();
  InlineDepth(const InlineDepth&) = delete;
  InlineDepth& operator=(const InlineDepth&) = delete;
  bool Ok() const { return ok_; }

 private:
  bool ok_;
};

// Name (in the form of the file version) and, from 3098, description.
void ReadStyleHeader(cAnyStyle& style, ArchiveReader& r, int version);
void WriteStyleHeader(const cAnyStyle& style, ArchiveWriter& w);

}  // namespace style_refs

// ---- the protocol over one table (null: no drawing data) ----

template <class T>
void WriteStyleRefIn(ArchiveWriter& w, std::uint16_t ref, StyleTable<T>* table, cDrawingData* data) {
  if (table && ref != kNoStyle && table->Contains(ref)) {
    T* style = table->Get(ref);
    w.WriteBit(true);
    if (style->writtenNumber < 0 || style->writtenNumber >= 65535) {
      w.WriteBit(true);
      table->writeCounter = std::uint16_t(table->writeCounter + 1);
      style->writtenNumber = table->writeCounter;
      style_refs::WriteStyleHeader(*style, w);
      style->Write(w, data);
    } else {
      w.WriteBit(false);
    }
    w.WriteCompactU16(std::uint16_t(style->writtenNumber));
    return;
  }
  if (ref == kNoStyle) {
    w.WriteBit(false);
    return;
  }
  w.WriteBit(true);
  w.WriteBit(false);
  w.WriteCompactU16(ref);
}

template <class T>
std::uint16_t ReadStyleRefIn(ArchiveReader& r, int version, StyleTable<T>* table, cDrawingData* data) {
  if (!r.ReadBit()) return kNoStyle;
  if (r.ReadBit()) {
    style_refs::InlineDepth depth;
    if (!depth.Ok()) {
      r.SetError();
      return kNoStyle;
    }
    auto style = std::make_unique<T>();
    style_refs::ReadStyleHeader(*style, r, version);
    if (table && table->Count() < kMaxStylesPerTable) {
      T* placed = style.get();
      table->Add(std::move(style));
      (void)placed->Read(r, version, data);
    } else {
      // Read and dropped, so the stream stays in step.
      (void)style->Read(r, version, table ? data : nullptr);
    }
  }
  return r.ReadCompactU16();
}

// ---- per table, through the drawing data ----

template <class T>
void WriteStyleRef(ArchiveWriter& w, std::uint16_t ref, cDrawingData* data) {
  WriteStyleRefIn<T>(w, ref, TableOf<T>(data), data);
}

template <class T>
std::uint16_t ReadStyleRef(ArchiveReader& r, int version, cDrawingData* data) {
  return ReadStyleRefIn<T>(r, version, TableOf<T>(data), data);
}

// Text references may name built-in text style n as 0x8000 + n (n 0..7).
void WriteTextStyleRef(ArchiveWriter& w, std::uint16_t ref, cDrawingData* data, bool allowBuiltin);
// The built-in bit is read only from files above version 3089 (or with a
// negative version: the newest form).
std::uint16_t ReadTextStyleRef(ArchiveReader& r, int version, cDrawingData* data, bool allowBuiltin);

// A style read from a stream as a definition (name, description from 3098,
// record); the caller adds it. Never null.
template <class T>
std::unique_ptr<T> ReadStyleDefinition(ArchiveReader& r, int version, cDrawingData* data) {
  auto style = std::make_unique<T>();
  style_refs::ReadStyleHeader(*style, r, version);
  (void)style->Read(r, version, data);
  return style;
}

}  // namespace kvn
