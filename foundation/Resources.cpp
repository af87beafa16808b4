#include "foundation/Resources.h"

namespace kvn {

namespace {

// The newest override; each points to the one it hides.
ScopedResourceOverride* g_overrides = nullptr;

std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

ScopedResourceOverride::ScopedResourceOverride(ResourceType type, int id, std::span<const std::uint8_t> bytes)
    : type_(type), id_(id), bytes_(bytes), previous_(g_overrides) {
  g_overrides = this;
}

ScopedResourceOverride::ScopedResourceOverride(ResourceType type, int id, std::string_view bytes)
    : ScopedResourceOverride(
          type, id, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) {}

ScopedResourceOverride::~ScopedResourceOverride() {
  // Overrides are scoped, so the one going is the newest; unlink it wherever
  // it is all the same.
  for (ScopedResourceOverride** link = &g_overrides; *link; link = &(*link)->previous_) {
    if (*link == this) {
      *link = previous_;
      break;
    }
  }
}

std::span<const std::uint8_t> FindResource(ResourceType type, int id) {
  for (const ScopedResourceOverride* o = g_overrides; o; o = o->previous_) {
    if (o->type_ == type && o->id_ == id) return o->bytes_;
  }
  // A few dozen entries: a linear search costs nothing next to what the
  // callers do with the bytes.
  for (std::size_t i = 0; i < resource_data::kEmbeddedResourceCount; ++i) {
    const resource_data::EmbeddedResource& r = resource_data::kEmbeddedResources[i];
    if (r.type == type && r.id == id) return {reinterpret_cast<const std::uint8_t*>(r.data), r.size};
  }
  return {};
}

std::string_view FindStringResource(int id) {
  std::span<const std::uint8_t> table = FindResource(ResourceType::StringTable, 0);
  if (table.size() < 4) return {};
  const std::uint64_t count = ReadU32(table.data());
  if (count > (table.size() - 4) / 12) return {};
  std::uint64_t low = 0;
  std::uint64_t high = count;
  while (low < high) {
    std::uint64_t mid = (low + high) / 2;
    const std::uint8_t* record = table.data() + 4 + 12 * mid;
    auto recordId = std::int32_t(ReadU32(record));
    if (recordId < id) {
      low = mid + 1;
    } else if (recordId > id) {
      high = mid;
    } else {
      const std::uint64_t offset = ReadU32(record + 4);
      const std::uint64_t length = ReadU32(record + 8);
      if (offset > table.size() || length > table.size() - offset) return {};
      return {reinterpret_cast<const char*>(table.data() + offset), std::size_t(length)};
    }
  }
  return {};
}

}  // namespace kvn
