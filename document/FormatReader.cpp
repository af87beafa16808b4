#include "document/FormatReader.h"

#include <algorithm>

#include "document/DocumentReaders.h"
#include "foundation/InFileStream.h"

namespace kvn {

void FormatRegistry::Register(const FormatReader& reader) {
  auto same = std::find_if(readers_.begin(), readers_.end(), [&](const FormatReader& r) { return r.name == reader.name; });
  if (same != readers_.end() && same->slot == reader.slot) {
    *same = reader;
    return;
  }
  if (same != readers_.end()) readers_.erase(same);
  auto after = std::find_if(readers_.begin(), readers_.end(), [&](const FormatReader& r) { return r.slot > reader.slot; });
  readers_.insert(after, reader);
}

bool FormatRegistry::Remove(const std::string& name) {
  return std::erase_if(readers_, [&](const FormatReader& r) { return r.name == name; }) != 0;
}

const FormatReader* FormatRegistry::Find(const std::string& name) const {
  for (const FormatReader& r : readers_) {
    if (r.name == name) return &r;
  }
  return nullptr;
}

const FormatReader* FormatRegistry::Probe(InFileStream& in, const WString& path) const {
  for (const FormatReader& r : readers_) {
    in.Rewind();
    if (r.probe && r.probe(in, path)) {
      in.Rewind();
      return &r;
    }
  }
  return nullptr;
}

FormatRegistry& GetFormatRegistry() {
  static FormatRegistry registry = [] {
    FormatRegistry r;
    RegisterDocumentReaders(r);
    return r;
  }();
  return registry;
}

}  // namespace kvn
