// The settings tree and its text file format (see SettingsStore.h).
#include <cstdio>
#include <string>

#include "foundation/UnicodeCase.h"
#include "foundation/Utf8.h"
#include "platform/settings/SettingsStore.h"

namespace kvn {

namespace {

constexpr std::string_view kHeader = "; QUARN_KVN_Viewer settings, format 1";

char16_t FoldName(char16_t c) {
  char16_t upper = UpperCaseW(c);
  return upper ? upper : c;
}

void AppendUnitEscape(std::string& out, char16_t c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
  out += buffer;
}

// Quoted text: what cannot stand in a UTF-8 line between quotes is escaped.
void AppendQuoted(std::string& out, std::u16string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case u'\\': out += "\\\\"; continue;
      case u'"': out += "\\\""; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F) {
      AppendUnitEscape(out, c);
    } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, CombineSurrogates(c, text[i + 1]));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUnitEscape(out, c);
    } else {
      AppendUtf8(out, c);
    }
  }
  out += '"';
}

void AppendUtf16AsUtf8(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, CombineSurrogates(c, text[i + 1]));
      ++i;
    } else {
      AppendUtf8(out, c);  // a key never holds unpaired surrogates (IsValidSettingsKey)
    }
  }
}

std::u16string StringUnits(const SettingValue& value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    char16_t c = char16_t(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

// --- parsing ------------------------------------------------------------------

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One strictly decoded UTF-8 character: no overlong forms, no surrogates, at most U+10FFFF.
bool DecodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp) {
  auto byte = [&](std::size_t i) { return std::uint8_t(s[i]); };
  std::uint8_t b0 = byte(pos);
  int extra;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, cp = b0 & 0x07;
  } else {
    return false;
  }
  if (s.size() - pos <= std::size_t(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    std::uint8_t b = byte(pos + k);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += std::size_t(extra) + 1;
  return true;
}

bool Utf8ToUtf16(std::string_view s, std::u16string& out) {
  out.clear();
  std::size_t pos = 0;
  while (pos < s.size()) {
    char32_t cp;
    if (!DecodeUtf8(s, pos, cp)) return false;
    AppendUtf16(out, cp);
  }
  return true;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view line, std::size_t& pos, std::u16string& out, const char*& error) {
  out.clear();
  ++pos;
  while (true) {
    if (pos >= line.size()) {
      error = "unterminated quoted text";
      return false;
    }
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      if (pos + 1 >= line.size()) {
        error = "unterminated escape";
        return false;
      }
      char e = line[pos + 1];
      pos += 2;
      switch (e) {
        case '\\': out += u'\\'; break;
        case '"': out += u'"'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        case 't': out += u'\t'; break;
        case 'u': {
          if (line.size() - pos < 4) {
            error = "short \\u escape";
            return false;
          }
          unsigned unit = 0;
          for (int k = 0; k < 4; ++k) {
            int d = HexDigitValue(line[pos + k]);
            if (d < 0) {
              error = "bad \\u escape";
              return false;
            }
            unit = unit * 16 + unsigned(d);
          }
          pos += 4;
          out += char16_t(unit);
          break;
        }
        default: error = "unknown escape"; return false;
      }
      continue;
    }
    if (std::uint8_t(c) < 0x20 || c == 0x7F) {
      error = "control character in quoted text";
      return false;
    }
    char32_t cp;
    if (!DecodeUtf8(line, pos, cp)) {
      error = "invalid UTF-8";
      return false;
    }
    AppendUtf16(out, cp);
  }
}

bool ParseValue(std::string_view rest, SettingValue& value, const char*& error) {
  if (rest.starts_with("dword:")) {
    rest.remove_prefix(6);
    if (rest.size() != 8) {
      error = "a dword needs eight hex digits";
      return false;
    }
    std::uint32_t v = 0;
    for (char c : rest) {
      int d = HexDigitValue(c);
      if (d < 0) {
        error = "bad hex digit";
        return false;
      }
      v = v * 16 + std::uint32_t(d);
    }
    value = SettingValue::FromDword(v);
    return true;
  }
  if (rest.starts_with("hex:")) {
    rest.remove_prefix(4);
    if (rest.size() % 2 != 0) {
      error = "odd number of hex digits";
      return false;
    }
    if (rest.size() / 2 > SettingsStore::kMaxValueBytes) {
      error = "binary value too large";
      return false;
    }
    value.type = SettingType::Binary;
    value.data.resize(rest.size() / 2);
    for (std::size_t i = 0; i < value.data.size(); ++i) {
      int hi = HexDigitValue(rest[2 * i]), lo = HexDigitValue(rest[2 * i + 1]);
      if (hi < 0 || lo < 0) {
        error = "bad hex digit";
        return false;
      }
      value.data[i] = std::uint8_t(hi * 16 + lo);
    }
    return true;
  }
  if (rest.starts_with('"')) {
    std::size_t pos = 0;
    std::u16string text;
    if (!ParseQuoted(rest, pos, text, error)) return false;
    if (pos != rest.size()) {
      error = "text after the closing quote";
      return false;
    }
    if (text.find(u'\0') != std::u16string::npos) {
      error = "a string holds a 0 character";
      return false;
    }
    if ((text.size() + 1) * 2 > SettingsStore::kMaxValueBytes) {
      error = "string value too large";
      return false;
    }
    value = SettingValue::FromString(text);
    return true;
  }
  error = "unknown value type";
  return false;
}

}  // namespace

// --- values ---------------------------------------------------------------------

SettingValue SettingValue::FromDword(std::uint32_t v) {
  SettingValue value;
  value.type = SettingType::Dword;
  value.data = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
  return value;
}

SettingValue SettingValue::FromString(std::u16string_view text) {
  SettingValue value;
  value.type = SettingType::String;
  value.data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    value.data.push_back(std::uint8_t(c));
    value.data.push_back(std::uint8_t(c >> 8));
  }
  value.data.push_back(0);
  value.data.push_back(0);
  return value;
}

SettingValue SettingValue::FromBinary(const void* bytes, std::size_t size) {
  SettingValue value;
  value.type = SettingType::Binary;
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  if (size) value.data.assign(p, p + size);
  return value;
}

bool SettingValue::IsWellFormed() const {
  switch (type) {
    case SettingType::Dword: return data.size() == 4;
    case SettingType::Binary: return true;
    case SettingType::String: {
      std::size_t n = data.size();
      if (n < 2 || n % 2 != 0 || data[n - 1] != 0 || data[n - 2] != 0) return false;
      for (std::size_t i = 0; i + 2 < n; i += 2)
        if (data[i] == 0 && data[i + 1] == 0) return false;
      return true;
    }
  }
  return false;
}

// --- names and keys -------------------------------------------------------------

bool SettingsNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldName(a[i]) != FoldName(b[i])) return false;
  return true;
}

bool IsValidSettingsKey(std::u16string_view key) {
  if (key.empty() || key.front() == u'\\' || key.back() == u'\\') return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char16_t c = key[i];
    if (c < 0x20 || c == 0x7F) return false;
    if (c == u'\\' && key[i + 1] == u'\\') return false;  // i + 1 exists: the key does not end with '\'
    if (IsHighSurrogate(c)) {
      if (i + 1 >= key.size() || !IsLowSurrogate(key[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

// --- the tree -------------------------------------------------------------------

const SettingsKey* SettingsTree::FindKey(std::u16string_view key) const {
  for (const SettingsKey& k : keys_)
    if (SettingsNamesEqual(k.name, key)) return &k;
  return nullptr;
}

const SettingValue* SettingsTree::FindValue(std::u16string_view key, std::u16string_view name) const {
  const SettingsKey* k = FindKey(key);
  if (!k) return nullptr;
  for (const auto& [n, v] : k->values)
    if (SettingsNamesEqual(n, name)) return &v;
  return nullptr;
}

SettingsKey& SettingsTree::EnsureKey(std::u16string_view key) {
  for (SettingsKey& k : keys_)
    if (SettingsNamesEqual(k.name, key)) return k;
  keys_.push_back(SettingsKey{std::u16string(key), {}});
  return keys_.back();
}

void SettingsTree::SetValue(std::u16string_view key, std::u16string_view name, const SettingValue& value) {
  SettingsKey& k = EnsureKey(key);
  for (auto& [n, v] : k.values) {
    if (SettingsNamesEqual(n, name)) {
      v = value;  // the name keeps the spelling it was created with, as in the registry
      return;
    }
  }
  k.values.emplace_back(std::u16string(name), value);
}

bool SettingsTree::DeleteValue(std::u16string_view key, std::u16string_view name) {
  for (SettingsKey& k : keys_) {
    if (!SettingsNamesEqual(k.name, key)) continue;
    for (auto it = k.values.begin(); it != k.values.end(); ++it) {
      if (SettingsNamesEqual(it->first, name)) {
        k.values.erase(it);
        return true;
      }
    }
    return false;
  }
  return false;
}

bool SettingsTree::operator==(const SettingsTree& other) const {
  if (keys_.size() != other.keys_.size()) return false;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const SettingsKey& a = keys_[i];
    const SettingsKey& b = other.keys_[i];
    if (a.name != b.name || a.values.size() != b.values.size()) return false;
    for (std::size_t j = 0; j < a.values.size(); ++j) {
      if (a.values[j].first != b.values[j].first || a.values[j].second.type != b.values[j].second.type ||
          a.values[j].second.data != b.values[j].second.data)
        return false;
    }
  }
  return true;
}

// --- the file -------------------------------------------------------------------

std::string SerializeSettings(const SettingsTree& tree) {
  std::string out(kHeader);
  out += "\n; Written by the program on every change; comments are not kept.\n";
  for (const SettingsKey& key : tree.Keys()) {
    out += '[';
    AppendUtf16AsUtf8(out, key.name);
    out += "]\n";
    for (const auto& [name, value] : key.values) {
      AppendQuoted(out, name);
      out += '=';
      switch (value.type) {
        case SettingType::Dword: {
          std::uint32_t v = 0;
          for (std::size_t i = 0; i < 4 && i < value.data.size(); ++i) v |= std::uint32_t(value.data[i]) << (8 * i);
          char buffer[24];
          std::snprintf(buffer, sizeof buffer, "dword:%08x", unsigned(v));
          out += buffer;
          break;
        }
        case SettingType::String: AppendQuoted(out, StringUnits(value)); break;
        case SettingType::Binary: {
          static constexpr char kDigits[] = "0123456789abcdef";
          out += "hex:";
          for (std::uint8_t b : value.data) {
            out += kDigits[b >> 4];
            out += kDigits[b & 15];
          }
          break;
        }
      }
      out += '\n';
    }
  }
  return out;
}

bool ParseSettings(std::string_view text, SettingsTree& tree, std::string* reason) {
  SettingsTree result;
  SettingsKey* current = nullptr;
  std::size_t lineNo = 0;
  const char* error = nullptr;

  auto fail = [&](const char* why) {
    if (reason) *reason = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };

  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (lineNo == 1) {
      if (line != kHeader) return fail("not a settings file of this program (header missing)");
      continue;
    }
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      if (line.size() < 3 || line.back() != ']') return fail("bad key line");
      std::u16string key;
      if (!Utf8ToUtf16(line.substr(1, line.size() - 2), key)) return fail("invalid UTF-8 in key");
      if (!IsValidSettingsKey(key)) return fail("invalid key name");
      if (result.FindKey(key)) return fail("key listed twice");
      current = &result.EnsureKey(key);
      continue;
    }

    if (line.front() == '"') {
      if (!current) return fail("value before the first key");
      std::size_t pos = 0;
      std::u16string name;
      if (!ParseQuoted(line, pos, name, error)) return fail(error);
      if (pos >= line.size() || line[pos] != '=') return fail("'=' expected after the value name");
      SettingValue value;
      if (!ParseValue(line.substr(pos + 1), value, error)) return fail(error);
      for (const auto& entry : current->values)
        if (SettingsNamesEqual(entry.first, name)) return fail("value listed twice");
      current->values.emplace_back(std::move(name), std::move(value));
      continue;
    }
    return fail("unrecognised line");
  }
  if (lineNo == 0) return fail("empty file");
  tree = std::move(result);
  return true;
}

}  // namespace kvn
