// Embedded OLE objects for tests: compound files with nested storages
// written by libgsf's writer, the 128-byte frame header of an OLE2FRAME in
// front of one, its DXF entity in chunks, and small BMP and EMF pictures to
// put inside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Vec3.h"
#include "tests/support/DxfWriter.h"

namespace kvn::test {

// A stream (no children) or a storage (its children).
struct OleNode {
  std::string name;
  std::string content;
  std::vector<OleNode> children;
  bool storage = false;

  static OleNode Stream(std::string name, std::string content) {
    return {std::move(name), std::move(content), {}, false};
  }
  static OleNode Storage(std::string name, std::vector<OleNode> children) {
    return {std::move(name), {}, std::move(children), true};
  }
};

std::vector<std::uint8_t> WriteOleTree(const std::vector<OleNode>& top);

// A .bmp file of w x h 24-bit pixels of one colour (0x00BBGGRR).
std::string SmallBmpFile(int width, int height, std::uint32_t colour);
// An enhanced metafile of a 100 x 50 mm frame holding one line.
std::string SmallEmf();

// The data of an OLE2FRAME: a 128-byte header whose bytes 2 to 97 hold the
// four corners (x, y, z doubles, little-endian), then the compound file.
std::string OleFrameData(const Vec3 (&corners)[4], const std::vector<std::uint8_t>& compound);

// An OLE2FRAME entity on layer "0": version 70, length 90 (the data's
// length unless given), the data in chunks of 127 bytes.
void WriteOle2Frame(DxfWriter& w, const std::string& data, int version = 2, std::int64_t length = -1);

}  // namespace kvn::test
