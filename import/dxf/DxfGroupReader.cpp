#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/TextNumbers.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

int GetDxfValueType(int code) {
  struct Row {
    int first, last, type;
  };
  // Searched from the top: the first row that holds the code decides, so the
  // catch-all 0-399 row makes every code below 400 not named before a double.
  static constexpr Row kRows[] = {
      {0, 4, 1},       {5, 5, 6},       {6, 9, 1},       {10, 59, 2},     {60, 79, 4},     {90, 99, 5},
      {100, 100, 1},   {101, 101, 1},   {102, 102, 1},   {105, 105, 6},   {110, 149, 2},   {170, 179, 4},
      {210, 239, 2},   {270, 279, 4},   {280, 289, 4},   {290, 299, 3},   {300, 309, 1},   {310, 319, 7},
      {320, 369, 6},   {370, 389, 4},   {390, 399, 6},   {0, 399, 2},     {400, 409, 4},   {410, 419, 1},
      {420, 429, 5},   {430, 439, 1},   {440, 449, 5},   {450, 459, 5},   {460, 469, 2},   {470, 479, 1},
      {999, 999, 1},   {1004, 1004, 7}, {1005, 1005, 6}, {1000, 1009, 1}, {1010, 1059, 2}, {1060, 1070, 4},
      {1071, 1071, 5},
  };
  auto search = [](int c) {
    for (const Row& row : kRows) {
      if (c >= row.first && c <= row.last) return row.type;
    }
    return 0;
  };
  // Every group asks: codes below 1072 answered from a table of the search.
  static constexpr int kTableSize = 1072;
  static const auto kTable = [&] {
    std::array<std::uint8_t, kTableSize> table{};
    for (int c = 0; c < kTableSize; ++c) table[std::size_t(c)] = std::uint8_t(search(c));
    return table;
  }();
  if (code >= 0 && code < kTableSize) return kTable[std::size_t(code)];
  return search(code);
}

// ---- lines ----

namespace {

// The first LF or CR in window[i, stop), or stop: eight bytes at a time
// while eight remain (a byte equal to LF or CR turns the word's byte to
// zero, and the lowest flagged zero is exact; borrows flag only bytes above
// it), the rest one by one. Lines of a DXF file are short and many: a third
// of the time of reading the groups went to this scan byte by byte.
std::uint32_t FindLineEnd(const std::uint8_t* window, std::uint32_t i, std::uint32_t stop) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    while (stop - i >= 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, window + i, 8);
      const std::uint64_t lf = word ^ (kOnes * '\n'), cr = word ^ (kOnes * '\r');
      const std::uint64_t hit = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHigh;
      if (hit != 0) return i + std::uint32_t(std::countr_zero(hit) >> 3);
      i += 8;
    }
  }
  while (i < stop && window[i] != '\n' && window[i] != '\r') ++i;
  return i;
}

#if defined(__SSE2__)
// Bit i set where byte i of the 32 is LF or CR. A code line and its value
// line nearly always end inside the first 32 bytes, and one mask finds both
// ends with branches that go the same way group after group.
std::uint32_t LineEndMask32(const std::uint8_t* bytes) {
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16));
  const auto ends = [&](__m128i v) {
    return std::uint32_t(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
  };
  return ends(low) | ends(high) << 16;
}
#endif

}  // namespace

const std::uint8_t* DxfWindow::Get(std::uint32_t& length) {
  if (used_ >= length_) {
    Sync();
    data_ = in_.GetReadWindow(length_);
    if (!data_) length_ = 0;
  }
  length = length_ - used_;
  return length ? data_ + used_ : nullptr;
}

void DxfWindow::Sync() const {
  if (used_ != 0) in_.ConsumeWindow(used_);
  data_ = nullptr;
  length_ = used_ = 0;
}

DxfLineReader::DxfLineReader(InFileStream& in) : in_(in), buffer_(new char[kLineLimit + 1]) {}

bool DxfLineReader::AtEnd() const {
  if (hasPending_ || window_.HoldsBytes()) return false;
  window_.Sync();
  return in_.Eof();
}

bool DxfLineReader::ReadLine(std::string_view& line) {
  window_.Sync();
  fill_ = 0;
  bool any = false;
  if (hasPending_) {
    hasPending_ = false;
    any = true;
    // A pending LF cannot occur (CR LF is one end); a pending CR is an empty
    // line of its own.
    if (pending_ == '\n') {
      line = {};
      return true;
    }
    if (pending_ == '\r') {
      std::uint8_t next = 0;
      if (in_.Read(&next, 1) == 1) {
        if (next != '\n') {
          pending_ = char(next);
          hasPending_ = true;
        }
      }
      line = {};
      return true;
    }
    buffer_[fill_++] = pending_;
  }
  char* out = buffer_.get();
  while (fill_ < kLineLimit) {
    std::uint32_t length = 0;
    const std::uint8_t* window = in_.GetReadWindow(length);
    if (length == 0) {
      // Unbuffered streams go byte by byte.
      std::uint8_t byte = 0;
      if (in_.Read(&byte, 1) != 1) break;
      any = true;
      if (byte == '\n') {
        line = std::string_view(out, fill_);
        return true;
      }
      if (byte == '\r') {
        std::uint8_t next = 0;
        if (in_.Read(&next, 1) == 1 && next != '\n') {
          pending_ = char(next);
          hasPending_ = true;
        }
        line = std::string_view(out, fill_);
        return true;
      }
      out[fill_++] = char(byte);
      continue;
    }
    any = true;
    if (fill_ == 0) {
      // A line that ends inside the window (with the LF after a CR) is
      // answered in place, without a copy.
      const std::uint32_t scan = length < kLineLimit ? length : kLineLimit;
      const std::uint32_t i = FindLineEnd(window, 0, scan);
      if (i < scan && (window[i] == '\n' || i + 1 < length)) {
        const std::uint32_t end = window[i] == '\r' && window[i + 1] == '\n' ? i + 2 : i + 1;
        line = std::string_view(reinterpret_cast<const char*>(window), i);
        in_.ConsumeWindow(end);
        return true;
      }
    }
    const std::uint32_t room = kLineLimit - fill_;
    const std::uint32_t scan = length < room ? length : room;
    const std::uint32_t i = FindLineEnd(window, 0, scan);
    std::memcpy(out + fill_, window, i);
    fill_ += i;
    if (i == scan) {
      in_.ConsumeWindow(i);
      continue;
    }
    const std::uint8_t end = window[i];
    in_.ConsumeWindow(i + 1);
    if (end == '\r') {
      std::uint8_t next = 0;
      if (in_.Read(&next, 1) == 1 && next != '\n') {
        pending_ = char(next);
        hasPending_ = true;
      }
    }
    line = std::string_view(out, fill_);
    return true;
  }
  line = std::string_view(out, fill_);
  return any;
}

bool DxfLineReader::ReadLinePairInPlace(std::string_view& first, std::string_view& second) {
  if (hasPending_) return false;
  std::uint32_t length = 0;
  const std::uint8_t* window = window_.Get(length);
  // The line ends among the first `known` bytes of the window.
  std::uint32_t ends = 0, known = 0;
#if defined(__SSE2__)
  if (length >= 32) {
    ends = LineEndMask32(window);
    known = 32;
  }
#endif
  // The end of the line from `from`: its length and where the next begins;
  // false when the line, its end (a CR's LF included) or the limit are not
  // inside the window.
  auto line = [&](std::uint32_t from, std::string_view& out, std::uint32_t& next) {
    const std::uint32_t stop = length - from < kLineLimit ? length : from + kLineLimit;
    std::uint32_t i = 0;
    if (from < known && (ends >> from) != 0) {
      i = from + std::uint32_t(std::countr_zero(ends >> from));
    } else {
      // (stop is at least `known`: the window holds that much.)
      i = FindLineEnd(window, from < known ? known : from, stop);
    }
    if (i >= stop || (window[i] == '\r' && i + 1 >= length)) return false;
    out = std::string_view(reinterpret_cast<const char*>(window) + from, i - from);
    next = window[i] == '\r' && window[i + 1] == '\n' ? i + 2 : i + 1;
    return true;
  };
  std::uint32_t middle = 0, end = 0;
  if (length == 0 || !line(0, first, middle) || middle >= length || !line(middle, second, end)) return false;
  window_.Take(end);
  return true;
}

// ---- groups ----

namespace {

// A code line: blanks around one decimal number with an optional sign.
// Anything else is not a code (the C library would read letters as 0 and
// misread a file out of step).
bool ParseCodeLine(std::string_view line, int& code) {
  std::size_t i = 0, n = line.size();
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (i < n && blank(line[i])) ++i;
  while (n > i && blank(line[n - 1])) --n;
  bool negative = false;
  if (i < n && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  if (i == n) return false;
  long value = 0;
  for (; i < n; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
    value = value * 10 + (line[i] - '0');
    if (value > 100000) value = 100000;
  }
  code = int(negative ? -value : value);
  return true;
}

// A number group kept as text: one the plain reader did not take (a real
// in another form) or an integer, tested whole as its look-ups will read
// it (at most the length the record keeps). A real the plain reader took is
// readable, and a string group is no number.
void NoteUnreadableText(DxfGroup& group, int type) {
  if (type < 2 || type > 5) return;
  const int length = int(std::min<std::size_t>(group.text.size(), AString::kMaxLength));
  group.unreadable =
      type == 2 ? !IsReadableReal(group.text.data(), length) : !IsWholeInteger(group.text.data(), length);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DxfGroupReader::DxfGroupReader(InFileStream& in, bool binary, bool oneByteCodes)
    : in_(in), oneByteCodes_(oneByteCodes) {
  if (!binary) lines_ = std::make_unique<DxfLineReader>(in);
}

bool DxfGroupReader::AtEnd() const {
  if (lines_) return lines_->AtEnd();
  if (window_.HoldsBytes()) return false;
  window_.Sync();
  return in_.Eof();
}

void AddDxfGroup(const DxfGroup& group, YxxfGroupRecord& record) {
  const std::uint16_t code = std::uint16_t(group.code);
  if (code == 0) record.SetSubRecord(0);
  switch (group.kind) {
    case DxfGroup::Kind::Int:
      record.AddInt(code, group.integer);
      break;
    case DxfGroup::Kind::Double:
      record.AddDouble(code, group.real);
      break;
    case DxfGroup::Kind::Text:
      record.AddString(code, group.text);
      break;
    case DxfGroup::Kind::None:
      break;
  }
}

// Reading a group and adding it are one body again (binary files are read
// here group by group): the typed group between them otherwise cost a
// fifth of reading the groups of a binary file.
__attribute__((flatten)) bool DxfGroupReader::ReadGroup(int& code, YxxfGroupRecord& record,
                                                       std::string_view& value, bool* unreadable) {
  DxfGroup group;
  if (!Next(group)) return false;
  AddDxfGroup(group, record);
  code = group.code;
  value = group.text;
  if (unreadable) *unreadable = group.unreadable;
  return true;
}

bool DxfGroupReader::Next(DxfGroup& group) {
  if (!ok_) return false;
  group.unreadable = false;
  return lines_ ? ReadText(group) : ReadBinary(group);
}

bool DxfGroupReader::ReadText(DxfGroup& group) {
  std::string_view line, codeLine;
  int code = 0;
  if (lines_->ReadLinePairInPlace(codeLine, line)) {
    if (!ParseCodeLine(codeLine, code) || code < 0 || code > 9999) return Fail();
  } else {
    if (!lines_->ReadLine(line) || !ParseCodeLine(line, code) || code < 0 || code > 9999) return Fail();
    if (!lines_->ReadLine(line)) line = {};
  }
  group.code = code;
  const int type = GetDxfValueType(code);
  // A real in its plain form (nearly all of them) is kept as the number it
  // reads as, as the binary form keeps it: parsed once here rather than
  // copied as text and parsed at every look-up. Any other form stays text,
  // read by the look-ups as before.
  double number = 0.0;
  if (type == 2 && ParsePlainDouble(line.data(), int(line.size()), number)) {
    group.kind = DxfGroup::Kind::Double;
    group.real = number;
    group.text = line;
    return true;
  }
  if (type == 7) {
    group.kind = DxfGroup::Kind::None;
    group.text = {};
    // An odd length is no chunk: dropped, and reading goes on.
    if (line.size() % 2 != 0) return true;
    scratch_.assign(line.size() / 2, '\0');
    for (std::size_t i = 0; i < scratch_.size(); ++i) {
      const int high = HexDigit(line[2 * i]), low = HexDigit(line[2 * i + 1]);
      if (high < 0 || low < 0) break;
      scratch_[i] = char(high << 4 | low);
    }
    group.kind = DxfGroup::Kind::Text;
    group.text = scratch_;
    return true;
  }
  group.kind = DxfGroup::Kind::Text;
  if (line.find('^') == std::string_view::npos) {
    group.text = line;
    NoteUnreadableText(group, type);
    return true;
  }
  // Caret escapes: ^@ .. ^_ stand for the control characters 0..31; any
  // other character after a caret is dropped and the caret kept.
  // Copied while scanned: a line of many carets is not moved once per caret.
  scratch_.clear();
  scratch_.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '^' || i + 1 >= line.size()) {
      scratch_ += line[i];
      continue;
    }
    const unsigned char next = static_cast<unsigned char>(line[++i]);
    scratch_ += next >= 0x40 && next < 0x60 ? char(next - 64) : '^';
  }
  group.text = scratch_;
  NoteUnreadableText(group, type);
  return true;
}

bool DxfGroupReader::Take(void* out, std::uint32_t n) {
  std::uint32_t length = 0;
  const std::uint8_t* window = window_.Get(length);
  if (length >= n) {
    std::memcpy(out, window, n);
    window_.Take(n);
    return true;
  }
  return ReadRaw(out, n);
}

bool DxfGroupReader::ReadRaw(void* out, std::uint32_t n) {
  window_.Sync();
  return in_.Read(out, n) == n;
}

bool DxfGroupReader::ReadWindowGroup(DxfGroup& group) {
  std::uint32_t length = 0;
  const std::uint8_t* window = window_.Get(length);
  if (length < 3) return false;
  int c = 0;
  std::uint32_t at = 2;
  if (!oneByteCodes_) {
    c = window[0] | window[1] << 8;
  } else if (window[0] != 255) {
    c = window[0];
    at = 1;
  } else {
    c = window[1] | window[2] << 8;
    at = 3;
  }
  const std::uint8_t* v = window + at;
  const std::uint32_t left = length - at;
  group.text = {};
  switch (GetDxfValueType(c)) {
    case 1:
    case 6: {
      const void* zero = std::memchr(v, 0, left);
      if (!zero) return false;
      const std::string_view text(reinterpret_cast<const char*>(v),
                                  std::size_t(static_cast<const std::uint8_t*>(zero) - v));
      window_.Take(at + std::uint32_t(text.size()) + 1);
      group.kind = DxfGroup::Kind::Text;
      group.text = text;
      break;
    }
    case 2: {
      if (left < 8) return false;
      std::memcpy(&group.real, v, 8);
      group.kind = DxfGroup::Kind::Double;
      group.unreadable = !std::isfinite(group.real);
      window_.Take(at + 8);
      break;
    }
    case 3:
      if (left < 1) return false;
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int8_t(v[0]);
      window_.Take(at + 1);
      break;
    case 4:
      if (left < 2) return false;
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int16_t(v[0] | v[1] << 8);
      window_.Take(at + 2);
      break;
    case 5:
      if (left < 4) return false;
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int32_t(std::uint32_t(v[0]) | std::uint32_t(v[1]) << 8 | std::uint32_t(v[2]) << 16 |
                                   std::uint32_t(v[3]) << 24);
      window_.Take(at + 4);
      break;
    default:
      return false;
  }
  group.code = c;
  return true;
}

bool DxfGroupReader::ReadBinary(DxfGroup& group) {
  // Most groups lie whole inside the stream's window; the rest, and every
  // failure, go the reading road below.
  if (ReadWindowGroup(group)) return true;
  std::uint8_t bytes[8] = {};
  int code = 0;
  if (oneByteCodes_) {
    if (!Take(bytes, 1)) return Fail();
    code = bytes[0];
    if (code == 255) {
      if (!Take(bytes, 2)) return Fail();
      code = bytes[0] | bytes[1] << 8;
    }
  } else {
    if (!Take(bytes, 2)) return Fail();
    code = bytes[0] | bytes[1] << 8;
  }
  group.code = code;
  group.text = {};
  switch (GetDxfValueType(code)) {
    case 1:
    case 6: {
      scratch_.clear();
      std::uint8_t byte = 0;
      while (ReadRaw(&byte, 1) && byte != 0) scratch_.push_back(char(byte));
      group.kind = DxfGroup::Kind::Text;
      group.text = scratch_;
      return true;
    }
    case 2:
      if (!Take(bytes, 8)) return Fail();
      group.kind = DxfGroup::Kind::Double;
      std::memcpy(&group.real, bytes, 8);
      group.unreadable = !std::isfinite(group.real);
      return true;
    case 3:
      if (!Take(bytes, 1)) return Fail();
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int8_t(bytes[0]);
      return true;
    case 4:
      if (!Take(bytes, 2)) return Fail();
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int16_t(bytes[0] | bytes[1] << 8);
      return true;
    case 5:
      if (!Take(bytes, 4)) return Fail();
      group.kind = DxfGroup::Kind::Int;
      group.integer = std::int32_t(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                   std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
      return true;
    case 7: {
      if (!ReadRaw(bytes, 1)) return Fail();
      scratch_.assign(bytes[0], '\0');
      if (!ReadRaw(scratch_.data(), bytes[0])) return Fail();
      group.kind = DxfGroup::Kind::Text;
      group.text = scratch_;
      return true;
    }
    default:
      return Fail();
  }
}

}  // namespace kvn
