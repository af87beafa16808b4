// AttributeList: named text attributes of block definitions, inserts and
// links, stored in the archive, rebuilt from the packed texts of old records,
// and searched by name when texts expand their fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/TagIndex.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;

struct AttributeItem {
  WString name;
  WString value;
  WString third;
  std::uint8_t kind = 0;  // 2 bits: inserts 1 description, 2 value; links 2 description
  std::uint8_t flag = 1;
};

class AttributeList {
 public:
  AttributeList() = default;
  AttributeList(const AttributeList&) = delete;
  AttributeList& operator=(const AttributeList&) = delete;

  std::uint32_t Count() const { return items_.Count(); }
  const AttributeItem* Get(std::uint32_t i) const { return items_.Get(i); }
  // The item may be renamed: the names are indexed again when next looked up.
  AttributeItem* Get(std::uint32_t i) {
    index_.reset();
    return items_.Get(i);
  }
  AttributeItem* Add(AttributeItem item);
  void Clear() {
    items_.Clear();
    index_.reset();
  }

  void Write(ArchiveWriter& w) const;
  // False when the stream ends inside the list (the items read so far stay).
  // With convertFileNames the values of old files get their file-name
  // fields upgraded.
  bool Read(ArchiveReader& r, int version, bool convertFileNames);
  // Packed texts of old records: {key, name, value} repeated until a key 0;
  // names and values zero-terminated, code page 1250 (8-bit form) or UTF-16.
  // Parsing never goes beyond the n units given.
  void ReadPacked8(const std::uint8_t* bytes, std::size_t n);
  void ReadPackedWide(const char16_t* units, std::size_t n);
  // A copy made through a memory archive.
  void Assign(const AttributeList& other);
  // The first item of that kind takes the value, or is removed when the value
  // is empty; without one a non-empty value becomes a new item.
  void SetByKind(const WString& value, std::uint8_t kind);
  // Looks the name up: a definition list (when given) supplies the flag; the
  // first item with that name supplies value, index (and the flag without
  // definitions). True when the item or the definition exists.
  bool Lookup(const AttributeList* definitions, int* outIndex, WString& outValue, std::uint8_t* outFlag,
              const WString& name) const;
  // The index of the first item of that name; -1 when none has it.
  std::int64_t FindFirst(std::u16string_view name) const;

 private:
  OwnedArray<AttributeItem> items_{8};
  // The first item of each name, made by the first look-up of a list long
  // enough to need it and kept up with the items; a short list is scanned.
  mutable std::unique_ptr<TagIndex> index_;
};

}  // namespace kvn
