// Resources carried by the executable: the language tables, the string table
// and the other built-in data, made from our own files under resources/ at
// build time (tools/embedres) and found here by type and numeric id, as the
// program once found them in its module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kvn {

enum class ResourceType : std::uint16_t {
  // Every string resource in one table, id 0 (format: FindStringResource).
  StringTable,
  // "LANG_TABLE": language table 30000 + language index, code page 1250,
  // one entry per LF-ended line.
  LangTable,
  // Menus and accelerator tables by id, made by tools/mkmenus from
  // resources/menus/ (formats: platform/ui/MenuResource.h).
  Menu,
  AcceleratorTable,
  // "LINES_TABLE": the predefined line types, a native container (id 19987,
  // made by tools/mklinetypes from resources/linetypes/).
  LinesTable,
  // "PAPER_TABLE": the paper table (id 1), code page 1252 text with CR LF
  // lines "id,width,height,name" (resources/papers/).
  PaperTable,
  // "FONT_TABLE": a built-in TrueType family with its glyph outlines, a
  // native container whose drawing's first font holds it (ids 18232 and
  // 18234, made by tools/mkfonttable).
  FontTable,
  // RT_BITMAP: packed DIBs by id (tool-bar and menu images), made by
  // tools/mkbitmaps from resources/bitmaps/.
  Bitmap,
  // The built-in SHX archives (ids 0 text fonts, 1 line-type shape files)
  // and the UTF-16 to code page 1250 look-alike table (id 0), made by
  // tools/mkshx from resources/shx/ (formats: text/ShxArchive.h).
  ShxArchive,
  UnicodeTo8Bit,
  // The predefined hatch patterns of the CAD import (id 1), text as written
  // by tools/gen_hatch_patterns.py (format at the top of
  // resources/hatches/patterns.txt).
  HatchPatterns,
};

// The bytes of a resource; empty when it is missing.
std::span<const std::uint8_t> FindResource(ResourceType type, int id);

// The string resource `id` as UTF-8; empty when missing. The string table
// (little-endian): u32 count; count records {i32 id, u32 offset, u32 length}
// sorted by id, offsets counted from the table's start; then the texts.
// A record that points outside the table counts as missing.
std::string_view FindStringResource(int id);

// Test seam: while one lives, FindResource(type, id) answers its bytes
// (which may be empty, to make the resource missing) in place of the embedded
// ones. The bytes are not copied and must outlive the override. Overrides
// nest; the newest wins.
class ScopedResourceOverride {
 public:
  ScopedResourceOverride(ResourceType type, int id, std::span<const std::uint8_t> bytes);
  ScopedResourceOverride(ResourceType type, int id, std::string_view bytes);
  ~ScopedResourceOverride();
  ScopedResourceOverride(const ScopedResourceOverride&) = delete;
  ScopedResourceOverride& operator=(const ScopedResourceOverride&) = delete;

 private:
  friend std::span<const std::uint8_t> FindResource(ResourceType type, int id);
  ResourceType type_;
  int id_;
  std::span<const std::uint8_t> bytes_;
  ScopedResourceOverride* previous_;
};

namespace resource_data {
// Written by tools/embedres into the generated EmbeddedResources.cpp.
struct EmbeddedResource {
  ResourceType type;
  int id;
  const char* data;
  std::size_t size;
};
extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;
}  // namespace resource_data

}  // namespace kvn
