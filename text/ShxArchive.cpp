#include "text/ShxArchive.h"

#include <cstring>

#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/Resources.h"
#include "foundation/WaitCursor.h"
#include "model/cStyleFont.h"

namespace kvn {

namespace {

constexpr std::size_t kQdatHeader = 5;

std::uint32_t LoadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

bool HasQdatHeader(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kQdatHeader && std::memcmp(bytes.data(), "QDAT", 4) == 0 && bytes[4] == 1;
}

char16_t ShxAsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

bool HasShxExtension(const WString& name) {
  const std::u16string_view v = name.View();
  const std::size_t dot = v.rfind(u'.');
  if (dot == std::u16string_view::npos || v.size() - dot != 4) return false;
  return ShxAsciiLower(v[dot + 1]) == u's' && ShxAsciiLower(v[dot + 2]) == u'h' && ShxAsciiLower(v[dot + 3]) == u'x';
}

WString Capitalised(const WString& name) {
  std::u16string s(name.View());
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = i == 0 ? AsciiUpper(s[i]) : ShxAsciiLower(s[i]);
  return WString(std::u16string_view(s));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> InflateBlobBytes(std::span<const std::uint8_t> blob) {
  if (blob.size() < 4) return std::nullopt;
  const std::uint32_t size = LoadU32(blob.data());
  if (size == 0 || size > kMaxBlobSize) return std::nullopt;
  ByteArray stored;
  stored.AppendBytes(blob.data() + 4, std::int64_t(blob.size() - 4));
  InFileStream in = InFileStream::FromMemory(stored);
  InflateReader reader(&in, 1);
  std::vector<std::uint8_t> out(size);
  const std::uint32_t got = reader.Read(out.data(), size);
  // The whole announced size, and the check value behind the data: anything
  // less would hand uninitialised or damaged bytes to the parsers.
  if (got != size || !reader.IsGood() || !reader.Ended()) return std::nullopt;
  return out;
}

std::optional<std::vector<std::uint8_t>> InflateStoredBlob(int blobId) {
  return InflateBlobBytes(FindResource(ResourceType::ShxArchive, blobId));
}

bool ReadQdatEntries(std::span<const std::uint8_t> bytes, std::vector<QdatEntry>& entries, const WString& folder) {
  std::size_t pos = 0;
  const std::size_t n = bytes.size();
  if (n == 0) return false;
  while (pos < n) {
    const std::uint8_t type = bytes[pos++];
    if (type == 0) return true;
    if (type != 1 && type != 2) return false;
    if (pos >= n) return false;
    const std::size_t units = bytes[pos++];
    if (n - pos < units * 2 + 8) return false;
    std::u16string name(units, u'\0');
    for (std::size_t i = 0; i < units; ++i) name[i] = char16_t(bytes[pos + 2 * i] | bytes[pos + 2 * i + 1] << 8);
    pos += units * 2 + 8;
    if (type == 2) continue;
    if (n - pos < 4) return false;
    const std::size_t sizeField = pos;
    const std::uint32_t size = LoadU32(bytes.data() + pos);
    pos += 4;
    if (n - pos < size) return false;
    pos += size;
    entries.push_back(QdatEntry{WString(std::u16string_view(name)), sizeField, folder});
  }
  return false;
}

void LoadShxArchive(std::vector<std::unique_ptr<cStyleFont>>& list, int blobId) {
  std::optional<std::vector<std::uint8_t>> archive = InflateStoredBlob(blobId);
  if (!archive) return;
  WaitCursor busy;
  if (!HasQdatHeader(*archive)) return;
  std::vector<QdatEntry> entries;
  (void)ReadQdatEntries(std::span(*archive).subspan(kQdatHeader), entries, WString());
  for (const QdatEntry& e : entries) {
    if (!HasShxExtension(e.name)) continue;
    auto shx = std::make_unique<ShxFont>();
    shx->archiveOffset = std::int64_t(e.offset + kQdatHeader);
    shx->blobId = blobId;
    auto font = std::make_unique<cStyleFont>();
    font->name = Capitalised(e.name);
    font->BindFace(nullptr, std::move(shx));
    list.push_back(std::move(font));
  }
}

bool FetchArchiveFontBytes(ShxFont& font) {
  if (font.archiveOffset < 0) return false;
  std::optional<std::vector<std::uint8_t>> archive = InflateStoredBlob(font.blobId);
  if (!archive) return false;
  const std::uint64_t offset = std::uint64_t(font.archiveOffset);
  const std::uint64_t total = archive->size();
  if (offset > total || total - offset < 4) return false;
  const std::uint32_t size = LoadU32(archive->data() + offset);
  if (total - offset - 4 < size) return false;
  font.bytes.assign(archive->begin() + std::ptrdiff_t(offset + 4), archive->begin() + std::ptrdiff_t(offset + 4 + size));
  return true;
}

}  // namespace kvn
