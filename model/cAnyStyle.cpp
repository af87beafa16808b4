#include "model/cAnyStyle.h"

#include <algorithm>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "model/ObjectTypes.h"

namespace kvn {

cAnyStyle::~cAnyStyle() = default;

void cAnyStyle::Scale(double) {}

void cAnyStyle::ScalePattern(double) {}

void cAnyStyle::Assign(const cAnyStyle& other) {
  if (&other == this) return;
  ByteArray bytes;
  {
    ArchiveWriter w(&bytes);
    other.Write(w, nullptr);
  }
  name = other.name;
  description = other.description;
  InFileStream in = InFileStream::FromMemory(bytes);
  ArchiveReader r(&in);
  (void)Read(r, kCurrentFileVersion, nullptr);
}

bool cAnyStyle::IsSameRecord(const cAnyStyle& a, const cAnyStyle& b) {
  ByteArray bytesA;
  ByteArray bytesB;
  {
    ArchiveWriter w(&bytesA);
    a.Write(w, nullptr);
  }
  {
    ArchiveWriter w(&bytesB);
    b.Write(w, nullptr);
  }
  return bytesA.Count() == bytesB.Count() && std::equal(bytesA.begin(), bytesA.end(), bytesB.begin());
}

}  // namespace kvn
