#include "tests/support/DwgPagedWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "dwg/container/DwgChecksum.h"
#include "dwg/container/DwgDecompress2007.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgCompress2004.h"

namespace kvn::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Put64(Bytes& b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
void Set64(Bytes& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// GF(256) of one primitive polynomial, element x = 2.
struct Field {
  int exp[512] = {}, log[256] = {};
  explicit Field(unsigned poly) {
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = exp[i + 255] = int(x);
      log[x] = i;
      x <<= 1;
      if (x & 0x100) x ^= poly;
    }
  }
  int Mul(int a, int b) const { return a && b ? exp[log[a] + log[b]] : 0; }
};

// The named sections, in the order the readers open them.
struct NamedSection {
  const char* name;
  std::uint32_t hash;
  Bytes bytes;
};

std::vector<NamedSection> SectionsOf(const DwgFileSpec& spec, int release, int maintenance) {
  std::vector<NamedSection> sections;
  sections.push_back({"AcDb:Header", 0x32B803D9u, WriteDwgHeaderSection(spec, release, maintenance)});
  sections.push_back({"AcDb:Classes", 0x3F54045Fu, WriteDwgClassesSection(spec, release, maintenance)});
  // The objects section opens with 0x0DCA; map locations count from its start.
  const std::uint8_t prefix[4] = {0xCA, 0x0D, 0, 0};
  const DwgObjectSections objects = WriteDwgObjectSections(spec, 0, prefix);
  sections.push_back({"AcDb:Handles", 0x3F6E0450u, objects.map});
  sections.push_back({"AcDb:AcDbObjects", 0x674C05A9u, objects.objects});
  return sections;
}

// Page bounds of `size` bytes in pages of `pageSize`; the test compressor
// cannot write fewer than 4 bytes alone, so a shorter last page takes bytes
// from the one before.
std::vector<std::pair<std::size_t, std::size_t>> PageBounds(std::size_t size, std::size_t pageSize) {
  std::vector<std::pair<std::size_t, std::size_t>> bounds;
  for (std::size_t from = 0; from < size; from += pageSize) bounds.emplace_back(from, std::min(size, from + pageSize));
  if (bounds.size() >= 2 && bounds.back().second - bounds.back().first < 4) {
    const std::size_t move = 4 - (bounds.back().second - bounds.back().first);
    bounds[bounds.size() - 2].second -= move;
    bounds.back().first -= move;
  }
  return bounds;
}

}  // namespace

Bytes EncodeRsBlock2007(const Bytes& data, bool systemCode) {
  static const Field systemField(0x169), dataField(0x11D);
  const Field& f = systemCode ? systemField : dataField;
  const int roots = systemCode ? 16 : 4;
  const int k = 255 - roots;
  // Word positions reversed (c'(x) = x^254 c(1/x)): the parity takes the
  // low powers and the roots become a^-1 .. a^-n; then the usual
  // remainder of the data shifted by n.
  std::vector<int> g = {1};
  for (int i = 1; i <= roots; ++i) {
    const int root = f.exp[255 - i];
    std::vector<int> next(g.size() + 1, 0);
    for (std::size_t j = 0; j < g.size(); ++j) {
      next[j + 1] ^= g[j];
      next[j] ^= f.Mul(g[j], root);
    }
    g = next;
  }
  std::vector<int> reversed(255, 0);  // reversed[p] = block[254 - p]
  for (int j = 0; j < k; ++j) reversed[254 - j] = j < int(data.size()) ? data[std::size_t(j)] : 0;
  std::vector<int> rem(reversed.begin(), reversed.end());
  for (int p = 254; p >= roots; --p) {
    const int c = rem[std::size_t(p)];
    if (c == 0) continue;
    for (int q = 0; q <= roots; ++q) rem[std::size_t(p - roots + q)] ^= f.Mul(c, g[std::size_t(q)]);
  }
  Bytes block(255, 0);
  for (int j = 0; j < k; ++j) block[std::size_t(j)] = std::uint8_t(reversed[std::size_t(254 - j)]);
  for (int p = 0; p < roots; ++p) block[std::size_t(254 - p)] = std::uint8_t(rem[std::size_t(p)]);
  return block;
}

Bytes EncodeRsPage2007(const Bytes& bytes, bool systemCode, std::size_t blocks) {
  const std::size_t per = systemCode ? 239 : 251;
  if (blocks == 0) blocks = std::max<std::size_t>(1, (bytes.size() + per - 1) / per);
  std::vector<Bytes> encoded;
  for (std::size_t j = 0; j < blocks; ++j) {
    const std::size_t from = std::min(bytes.size(), j * per), to = std::min(bytes.size(), from + per);
    encoded.push_back(EncodeRsBlock2007(Bytes(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to)),
                                        systemCode));
  }
  Bytes out(255 * blocks);
  for (std::size_t r = 0; r < 255; ++r) {
    for (std::size_t j = 0; j < blocks; ++j) out[r * blocks + j] = encoded[j][r];
  }
  return out;
}

// ---- Drawings ---------------------------------------------------------------

DwgFileSpec LinesDrawingSpec(int release, std::uint64_t lines, bool scattered) {
  DwgFileSpec spec;
  spec.release = release;
  spec.version = release == 15 ? "AC1015" : release == 18 ? "AC1018" : release == 21 ? "AC1021"
                 : release == 24 ? "AC1024" : release == 27 ? "AC1027" : release == 32 ? "AC1032" : "AC1014";
  const std::uint64_t first = 0x100, last = first + lines - 1;
  const bool owned = release >= 18;
  DwgObjectWriter block(release, 49, 0x1F);
  block.CommonObject();
  block.Text("*MODEL_SPACE");
  block.data.B(0);
  if (release < 21) block.data.BS(0);
  for (int i = 0; i < 5; ++i) block.data.B(0);
  if (release >= 15) block.data.B(1);
  if (owned) block.data.BL(std::uint32_t(lines));
  block.data.Point3BD(0, 0, 0);
  block.Text("");
  if (release >= 15) {
    block.data.RC(0);
    block.Text("");
    block.data.BL(0);
  }
  if (release >= 21) {
    block.data.BS(0);
    block.data.B(0);
    block.data.RC(0);
  }
  block.ObjectHandles(0x01);
  block.Handle(5, 0);
  block.Handle(3, 0x40);
  if (owned) {
    for (std::uint64_t h = first; h <= last; ++h) block.Handle(3, h);
  } else {
    block.Handle(4, first);
    block.Handle(4, last);
  }
  block.Handle(3, 0x41);
  if (release >= 15) block.Handle(5, 0x50);
  spec.objects.push_back(block.Finish());
  spec.handles.push_back(0x1F);
  std::uint64_t seed = 0x2545F4914F6CDD1Dull;
  auto next = [&] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return double(seed >> 11) / double(1ull << 53) * 1000.0;
  };
  for (std::uint64_t h = first; h <= last; ++h) {
    DwgObjectWriter w(release, 19, h);
    DwgEntityCommon c;
    c.mode = 2;
    c.noLinks = owned;
    c.next = h == last ? 0 : h + 1;
    w.CommonEntity(c);
    const double x = scattered ? next() : double(h % 1000), y = scattered ? next() : 2.0;
    const double x2 = scattered ? next() : x + 1, y2 = scattered ? next() : 4.0;
    w.data.B(1);
    w.data.RD(x);
    w.data.DD(x2, x);
    w.data.RD(y);
    w.data.DD(y2, y);
    w.data.B(1);
    w.data.B(1);
    w.EntityHandles(c);
    spec.objects.push_back(w.Finish());
    spec.handles.push_back(h);
  }
  return spec;
}

// ---- R2004 ------------------------------------------------------------------

Bytes WriteDwgFile2004(const DwgFileSpec& spec, const DwgPaged2004Knobs& knobs) {
  const int release = spec.version == "AC1018" ? 18 : spec.version == "AC1024" ? 24 : spec.version == "AC1027" ? 27 : 32;
  Bytes out(0x100, 0);
  std::memcpy(out.data(), spec.version.data(), std::min<std::size_t>(6, spec.version.size()));
  out[0x0B] = std::uint8_t(knobs.maintenance);
  out[0x13] = 30;
  std::vector<std::pair<std::int32_t, std::uint32_t>> pageMap;  // number, size on disk
  struct Description {
    const NamedSection* section;
    std::uint32_t largest = 0;
    std::vector<std::array<std::uint64_t, 3>> pages;  // number, data size, start offset
  };
  const std::vector<NamedSection> sections = SectionsOf(spec, release, knobs.maintenance);
  std::vector<Description> descriptions;
  std::int32_t number = 1;
  for (const NamedSection& section : sections) {
    if (section.name == knobs.omitSection) continue;
    Description& d = descriptions.emplace_back();
    d.section = &section;
    for (const auto& [from, to] : PageBounds(section.bytes.size(), knobs.pageSize)) {
      const Bytes packed = CompressDwg2004(std::span(section.bytes).subspan(from, to - from));
      const std::uint64_t position = out.size();
      Bytes head;
      Put32(head, 0x4163043B);
      Put32(head, std::uint32_t(descriptions.size()));
      Put32(head, std::uint32_t(packed.size()));
      Put32(head, knobs.pageSize);
      Put64(head, from);
      Put32(head, 0);
      const std::uint32_t dataCheck = DwgChecksum(packed, 0);
      Put32(head, dataCheck);
      Set32(head, 24, DwgChecksum(head, dataCheck));
      const std::uint32_t mask = 0x4164536Bu ^ std::uint32_t(position);
      for (std::size_t i = 0; i < 32; i += 4) Set32(head, i, Get32(head, i) ^ mask);
      out.insert(out.end(), head.begin(), head.end());
      out.insert(out.end(), packed.begin(), packed.end());
      pageMap.emplace_back(number, std::uint32_t(32 + packed.size()));
      d.pages.push_back({std::uint64_t(number), packed.size(), from});
      d.largest = std::max(d.largest, std::uint32_t(to - from));
      ++number;
    }
  }
  auto systemPage = [&](std::int32_t id, const Bytes& data, std::uint32_t type) {
    const Bytes packed = CompressDwg2004(data);
    Bytes head;
    Put32(head, type);
    Put32(head, std::uint32_t(data.size()));
    Put32(head, std::uint32_t(packed.size()));
    Put32(head, 2);
    Put32(head, 0);
    Set32(head, 16, DwgChecksum(packed, DwgChecksum(head, 0)));
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), packed.begin(), packed.end());
    pageMap.emplace_back(id, std::uint32_t(20 + packed.size()));
  };
  // The section map.
  Bytes map;
  Put32(map, std::uint32_t(descriptions.size() + std::size_t(knobs.extraDescriptions)));
  Put32(map, 2);
  Put32(map, 0x7400);
  Put32(map, 0);
  Put32(map, std::uint32_t(descriptions.size()));
  for (std::size_t s = 0; s < descriptions.size(); ++s) {
    const Description& d = descriptions[s];
    const bool extra = knobs.extraPageEntry && s + 1 == descriptions.size();
    Put64(map, d.section->bytes.size());
    Put32(map, std::uint32_t(d.pages.size() + (extra ? 1 : 0)));
    Put32(map, std::max(d.largest, knobs.pageSize));
    Put32(map, 0);
    Put32(map, 2);
    Put32(map, std::uint32_t(s + 1));
    Put32(map, 0);
    char name[64] = {};
    std::strncpy(name, d.section->name, sizeof name - 1);
    map.insert(map.end(), name, name + 64);
    for (const auto& page : d.pages) {
      Put32(map, std::uint32_t(page[0]));
      Put32(map, std::uint32_t(page[1]));
      Put64(map, page[2]);
    }
  }
  if (knobs.sectionMapPastTheEnd) pageMap.emplace_back(number + 1000, 0x7FFF0000u);
  const std::int32_t sectionMapId = number++;
  systemPage(sectionMapId, map, 0x4163003B);
  // The page map lists every page in file order, itself last.
  const std::int32_t pageMapId = number++;
  std::uint64_t pageMapAddress = 0;
  for (const auto& [id, size] : pageMap) pageMapAddress += size;
  if (knobs.sectionMapPastTheEnd) pageMapAddress = out.size() - 0x100;
  Bytes pages;
  for (const auto& [id, size] : pageMap) {
    Put32(pages, std::uint32_t(id));
    Put32(pages, size);
  }
  Put32(pages, std::uint32_t(pageMapId));
  Put32(pages, 0);
  systemPage(pageMapId, pages, 0x41630E3B);
  // The file header block, XOR-coded.
  Bytes block(0x6C, 0);
  std::memcpy(block.data(), "AcFssFcAJMB", 11);
  Set64(block, 0x54, pageMapAddress);
  Set32(block, 0x5C, std::uint32_t(sectionMapId));
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < block.size(); ++i) {
    seed = seed * 0x343FDu + 0x269EC3u;
    out[0x80 + i] = block[i] ^ std::uint8_t(seed >> 16);
  }
  return out;
}

// ---- R2007 ------------------------------------------------------------------

Bytes WriteDwgFile2007(const DwgFileSpec& spec, const DwgPaged2007Knobs& knobs) {
  std::vector<NamedSection> sections = SectionsOf(spec, 21, 0);
  if (knobs.garbledHeaderSection) std::fill(sections[0].bytes.begin(), sections[0].bytes.end(), 0);
  if (knobs.garbledHandleMap) sections[2].bytes.back() ^= 1;
  Bytes out(0x480, 0);
  std::memcpy(out.data(), "AC1021", 6);
  out[0x13] = 30;
  struct Record {
    std::uint64_t size;
    std::int64_t id;
  };
  std::vector<Record> pageMap;
  std::int64_t id = 1;
  // Section records, each with its pages.
  Bytes sectionMap;
  std::uint64_t sectionCount = 0;
  for (const NamedSection& section : sections) {
    if (section.hash == knobs.omitHash) continue;
    ++sectionCount;
    Bytes pages;
    std::uint64_t pageCount = 0;
    for (std::size_t from = 0; from < section.bytes.size(); from += knobs.pageSize) {
      const std::size_t to = std::min(section.bytes.size(), from + knobs.pageSize);
      const Bytes data(section.bytes.begin() + std::ptrdiff_t(from), section.bytes.begin() + std::ptrdiff_t(to));
      const Bytes coded = EncodeRsPage2007(data, false);
      out.insert(out.end(), coded.begin(), coded.end());
      pageMap.push_back({coded.size(), id});
      for (std::uint64_t v : {std::uint64_t(from), std::uint64_t(coded.size()), std::uint64_t(id),
                              std::uint64_t(data.size()), std::uint64_t(data.size()), std::uint64_t(0),
                              std::uint64_t(0)}) {
        Put64(pages, v);
      }
      ++pageCount;
      ++id;
    }
    std::u16string name(section.name, section.name + std::strlen(section.name));
    name.push_back(u'\0');
    const std::uint64_t encrypted = section.hash == knobs.encryptedHash ? 1 : 0;
    for (std::uint64_t v : {std::uint64_t(section.bytes.size()), std::uint64_t(knobs.pageSize), encrypted,
                            std::uint64_t(section.hash), std::uint64_t(name.size() * 2), std::uint64_t(0),
                            std::uint64_t(4), pageCount}) {
      Put64(sectionMap, v);
    }
    for (char16_t c : name) {
      sectionMap.push_back(std::uint8_t(c));
      sectionMap.push_back(std::uint8_t(c >> 8));
    }
    sectionMap.insert(sectionMap.end(), pages.begin(), pages.end());
  }
  // The section map in the reader's first block estimate.
  const std::int64_t sectionMapId = id++;
  Bytes codedSections = EncodeRsPage2007(sectionMap, true, std::size_t(RsBlockCount2007(sectionMap.size())));
  if (knobs.damagedSectionMap) codedSections[10] ^= 0x11;
  out.insert(out.end(), codedSections.begin(), codedSections.end());
  pageMap.push_back({codedSections.size(), sectionMapId});
  // The page map: its own entry last; 80 bytes more are read than it holds.
  const std::uint64_t pageMapOffset = out.size() - 0x480;
  const std::int64_t pageMapId = id++;
  Bytes map;
  const std::size_t entries = pageMap.size() + 1;
  const std::size_t mapSize = entries * 16;
  const std::size_t estimate = std::size_t(RsBlockCount2007(mapSize + 80));
  const std::size_t mapBlocks = estimate - std::min(estimate - 1, knobs.pageMapBlocksFewer);
  pageMap.push_back({255 * mapBlocks, pageMapId});
  for (const Record& r : pageMap) {
    Put64(map, r.size);
    Put64(map, std::uint64_t(r.id));
  }
  map.resize(mapSize + 80, 0);
  Bytes codedMap = EncodeRsPage2007(map, true, mapBlocks);
  if (knobs.damagedPageMap) codedMap[10] ^= 0x11;
  out.insert(out.end(), codedMap.begin(), codedMap.end());
  std::uint32_t noise = 0x9E3779B9u;
  for (std::size_t i = 0; i < knobs.trailingBytes; ++i) {
    noise = noise * 1664525u + 1013904223u;
    out.push_back(std::uint8_t(noise >> 24));
  }
  // The header: compressed size at 24, the body at 32.
  Bytes body(0x110, 0);
  Set64(body, 0x38, pageMapOffset);
  Set64(body, 0x50, mapSize + 80);
  Set64(body, 0x58, mapSize);
  Set64(body, 0x60, knobs.pageMapCountsTooMany ? mapSize / 16 + 1 : entries);
  Set64(body, 0xA0, sectionCount);
  Set64(body, 0xB0, sectionMap.size());
  Set64(body, 0xC0, std::uint64_t(knobs.sectionMapIdMissing ? sectionMapId + 100 : -sectionMapId));
  Set64(body, 0xC8, sectionMap.size());
  Bytes header(32, 0);
  if (knobs.undecodableHeaderBody) {
    // A literal run of 15 bytes with 4 behind it.
    Set32(header, 24, 5);
    header.insert(header.end(), {0x07, 1, 2, 3, 4});
  } else {
    header.insert(header.end(), body.begin(), body.end());
  }
  Bytes codedHeader = EncodeRsPage2007(header, true, 3);
  if (knobs.damagedHeaderBlocks) codedHeader[300] ^= 0x11;
  std::copy(codedHeader.begin(), codedHeader.end(), out.begin() + 0x80);
  return out;
}

}  // namespace kvn::test
