#include "tests/support/DxfWriter.h"

#include <cstring>
#include <cstdio>

namespace kvn::test {

DxfWriter::DxfWriter(Form form) : form_(form) {
  if (form_ != Form::Text) bytes_.assign("AutoCAD Binary DXF\r\n\x1A\0", 22);
}

void DxfWriter::Code(int code) {
  if (form_ == Form::Text) {
    bytes_ += std::to_string(code) + "\n";
  } else if (form_ == Form::BinaryOneByte) {
    if (code < 255) {
      bytes_ += char(code);
    } else {
      bytes_ += char(255);
      bytes_ += char(code & 0xFF);
      bytes_ += char(code >> 8 & 0xFF);
    }
  } else {
    bytes_ += char(code & 0xFF);
    bytes_ += char(code >> 8 & 0xFF);
  }
}

DxfWriter& DxfWriter::Str(int code, std::string_view value) {
  Code(code);
  bytes_ += value;
  bytes_ += form_ == Form::Text ? '\n' : '\0';
  return *this;
}

DxfWriter& DxfWriter::Real(int code, double value) {
  Code(code);
  if (form_ == Form::Text) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g\n", value);
    bytes_ += text;
  } else {
    char raw[8];
    std::memcpy(raw, &value, 8);
    bytes_.append(raw, 8);
  }
  return *this;
}

DxfWriter& DxfWriter::Int(int code, std::int32_t value) {
  Code(code);
  if (form_ == Form::Text) {
    bytes_ += std::to_string(value) + "\n";
    return *this;
  }
  // Widths by code range: 290-299 one byte, 90-99 and 420-459 four bytes,
  // the rest two.
  int width = 2;
  if (code >= 290 && code <= 299) width = 1;
  if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) || (code >= 440 && code <= 459) || code == 1071) {
    width = 4;
  }
  for (int i = 0; i < width; ++i) bytes_ += char(std::uint32_t(value) >> (8 * i) & 0xFF);
  return *this;
}

DxfWriter& DxfWriter::Chunk(int code, std::string_view bytes) {
  Code(code);
  if (form_ == Form::Text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char c : bytes) {
      bytes_ += kHex[std::uint8_t(c) >> 4];
      bytes_ += kHex[std::uint8_t(c) & 15];
    }
    bytes_ += '\n';
  } else {
    const std::size_t n = bytes.size() < 255 ? bytes.size() : 255;
    bytes_ += char(n);
    bytes_.append(bytes.substr(0, n));
  }
  return *this;
}

DxfWriter& DxfWriter::Point(int code, double x, double y, double z) {
  return Real(code, x).Real(code + 10, y).Real(code + 20, z);
}

DxfWriter& DxfWriter::Layer(std::string_view name, int color, int flags) {
  return Str(0, "LAYER").Str(2, name).Int(70, flags).Int(62, color).Str(6, "CONTINUOUS");
}

DxfWriter& DxfWriter::Line(std::string_view layer, double x1, double y1, double x2, double y2, int color) {
  Str(0, "LINE").Str(8, layer);
  if (color != 256) Int(62, color);
  return Point(10, x1, y1).Point(11, x2, y2);
}

DxfWriter& DxfWriter::Block(std::string_view name, double baseX, double baseY) {
  return Str(0, "BLOCK").Str(8, "0").Str(2, name).Int(70, 0).Point(10, baseX, baseY);
}

DxfWriter& DxfWriter::Insert(std::string_view block, std::string_view layer, double x, double y, int color) {
  Str(0, "INSERT").Str(8, layer).Str(2, block);
  if (color != 256) Int(62, color);
  return Point(10, x, y);
}

}  // namespace kvn::test
