// OleStorage: read access to OLE compound files (structured storage), the
// container of drawings saved by old versions of the program and of objects
// embedded in DWG and DXF files.
//
// Built on libgsf's compound-file reader, which checks the file's sector
// chains itself; on top of it every stream read is bounded by a size limit
// chosen by the caller, so a hostile length field costs no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

// The first five bytes of every compound file.
inline constexpr std::uint8_t kOleSignature[5] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1};
bool HasOleSignature(const std::uint8_t* bytes, std::size_t length);

// Streams larger than this are refused unless the caller allows more.
inline constexpr std::uint64_t kOleDefaultStreamLimit = 256ull << 20;

// One element of a storage: a stream or a sub-storage.
struct OleElement {
  std::string name;  // UTF-8, as the compound file stores it (UTF-16 inside)
  bool isStream = false;
  std::uint64_t size = 0;  // streams only
};

class OleStorage {
 public:
  // Null when the bytes (copied) or the file are no readable compound file.
  static std::unique_ptr<OleStorage> OpenBytes(const std::uint8_t* data, std::size_t size);
  static std::unique_ptr<OleStorage> OpenPath(const WString& path);
  ~OleStorage();
  OleStorage(const OleStorage&) = delete;
  OleStorage& operator=(const OleStorage&) = delete;

  // The elements of this storage, in the file's order.
  std::vector<OleElement> ListElements() const;
  // A sub-storage by name; null when there is none.
  std::unique_ptr<OleStorage> OpenStorage(const std::string& name) const;

  // The whole stream of an element into `out` (its count set to 0 first):
  // only a stream element whose size is not 0 and not above `limit`, read in
  // one piece. True only when exactly that many bytes arrived; otherwise the
  // count goes back to 0.
  bool ReadWholeStream(ByteArray& out, const OleElement& element,
                       std::uint64_t limit = kOleDefaultStreamLimit) const;

 private:
  struct Impl;
  explicit OleStorage(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kvn
