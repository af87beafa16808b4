#include "tests/support/OleFixtures.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstring>

#include "foundation/GrowArray.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"

namespace kvn::test {

namespace {

void WriteChildren(GsfOutfile* parent, const std::vector<OleNode>& nodes) {
  for (const OleNode& node : nodes) {
    GsfOutput* child = gsf_outfile_new_child(parent, node.name.c_str(), node.storage ? TRUE : FALSE);
    if (node.storage) {
      WriteChildren(GSF_OUTFILE(child), node.children);
    } else {
      gsf_output_write(child, node.content.size(), reinterpret_cast<const guint8*>(node.content.data()));
    }
    gsf_output_close(child);
    g_object_unref(child);
  }
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> WriteOleTree(const std::vector<OleNode>& top) {
  static bool initialised = false;
  if (!initialised) {
    gsf_init();
    initialised = true;
  }
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* outfile = gsf_outfile_msole_new(memory);
  WriteChildren(outfile, top);
  gsf_output_close(GSF_OUTPUT(outfile));
  g_object_unref(outfile);
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
  std::vector<std::uint8_t> bytes(data, data + gsf_output_size(memory));
  g_object_unref(memory);
  return bytes;
}

std::string SmallBmpFile(int width, int height, std::uint32_t colour) {
  const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
  const std::size_t bits = stride * std::size_t(height);
  std::string file(14 + 40 + bits, '\0');
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, std::uint32_t(file.size()));
  Put32(file, 10, 14 + 40);
  Put32(file, 14, 40);
  Put32(file, 18, std::uint32_t(width));
  Put32(file, 22, std::uint32_t(height));
  file[26] = 1;
  file[28] = 24;
  Put32(file, 34, std::uint32_t(bits));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = 54 + stride * std::size_t(y) + 3 * std::size_t(x);
      file[at] = char(colour >> 16);
      file[at + 1] = char(colour >> 8);
      file[at + 2] = char(colour);
    }
  }
  return file;
}

std::string SmallEmf() {
  EmfBuilder builder(1 << 16);
  std::uint8_t* h = builder.Add(1, 108);
  le::Put32(h + 8 + 8, 1000);
  le::Put32(h + 8 + 12, 500);
  le::Put32(h + 24 + 8, 10000);
  le::Put32(h + 24 + 12, 5000);
  le::Put32(h + 40, 0x464D4520);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 1000);
  le::Put32(h + 76, 1000);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
  // EMR_POLYLINE16 needs 16-bit points; EMR_POLYLINE (4) takes 32-bit ones.
  std::uint8_t* line = builder.Add(4, 28 + 16);
  le::Put32(line + 24, 2);
  le::Put32(line + 36, 1000);
  le::Put32(line + 40, 500);
  builder.Finish(1);
  const ByteArray& bytes = builder.Bytes();
  return std::string(reinterpret_cast<const char*>(bytes.Items()), bytes.Count());
}

std::string OleFrameData(const Vec3 (&corners)[4], const std::vector<std::uint8_t>& compound) {
  std::string data(128, '\0');
  data[0] = 0x55;
  for (int i = 0; i < 4; ++i) {
    const double values[3] = {corners[i].x, corners[i].y, corners[i].z};
    for (int k = 0; k < 3; ++k) std::memcpy(&data[2 + 24 * i + 8 * k], &values[k], 8);
  }
  data.append(compound.begin(), compound.end());
  return data;
}

void WriteOle2Frame(DxfWriter& w, const std::string& data, int version, std::int64_t length) {
  w.Str(0, "OLE2FRAME").Str(8, "0").Int(70, version).Str(3, "Paintbrush Picture");
  w.Int(90, std::int32_t(length < 0 ? std::int64_t(data.size()) : length));
  for (std::size_t at = 0; at < data.size(); at += 127) w.Chunk(310, std::string_view(data).substr(at, 127));
  w.Str(1, "OLE");
}

}  // namespace kvn::test
