// Small DXF files for tests: group by group, as text or as binary (two-byte
// or one-byte codes), so that the reader is tested from bytes it did not
// write itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvn::test {

class DxfWriter {
 public:
  enum class Form { Text, Binary, BinaryOneByte };
  explicit DxfWriter(Form form = Form::Text);

  // One group; the value's type follows the code's range.
  DxfWriter& Str(int code, std::string_view value);
  DxfWriter& Real(int code, double value);
  DxfWriter& Int(int code, std::int32_t value);
  // A point as codes code, code + 10, code + 20.
  DxfWriter& Point(int code, double x, double y, double z = 0.0);
  // One binary chunk (310-319): hexadecimal digits in text, a length byte
  // and the bytes (at most 255) in binary.
  DxfWriter& Chunk(int code, std::string_view bytes);

  DxfWriter& Section(std::string_view name) { return Str(0, "SECTION").Str(2, name); }
  DxfWriter& EndSection() { return Str(0, "ENDSEC"); }
  // A layer table entry with a colour index (negative: off).
  DxfWriter& Layer(std::string_view name, int color, int flags = 0);
  DxfWriter& Line(std::string_view layer, double x1, double y1, double x2, double y2, int color = 256);
  DxfWriter& Block(std::string_view name, double baseX = 0.0, double baseY = 0.0);
  DxfWriter& EndBlock() { return Str(0, "ENDBLK").Str(8, "0"); }
  DxfWriter& Insert(std::string_view block, std::string_view layer, double x, double y, int color = 256);
  DxfWriter& Eof() { return Str(0, "EOF"); }

  const std::string& Bytes() const { return bytes_; }

 private:
  void Code(int code);
  Form form_;
  std::string bytes_;
};

}  // namespace kvn::test
