#include "platform/ui/MenuResource.h"

#include <cstring>

#include "foundation/Resources.h"

namespace kvn {

namespace {

// A cursor over the bytes; a read past the end fails and stays failed.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Ok() const { return ok_; }
  std::size_t Left() const { return bytes_.size() - pos_; }
  std::uint32_t U8() { return Take(1) ? bytes_[pos_ - 1] : 0; }
  std::uint32_t U16() {
    if (!Take(2)) return 0;
    return std::uint32_t(bytes_[pos_ - 2]) | std::uint32_t(bytes_[pos_ - 1]) << 8;
  }
  std::uint32_t U32() {
    std::uint32_t lo = U16();
    return lo | U16() << 16;
  }
  bool Magic(const char* m) {
    if (!Take(4)) return false;
    return std::memcmp(bytes_.data() + pos_ - 4, m, 4) == 0;
  }
  WString Text(std::uint32_t units) {
    if (std::uint64_t(units) * 2 > Left()) {
      ok_ = false;
      return WString();
    }
    std::u16string s;
    s.reserve(units);
    for (std::uint32_t i = 0; i < units; ++i) s.push_back(char16_t(U16()));
    return WString(std::u16string_view(s));
  }

 private:
  bool Take(std::size_t n) {
    if (!ok_ || n > Left()) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

bool Refuse(std::string* reason, const char* why) {
  if (reason) *reason = why;
  return false;
}

constexpr std::size_t kMenuRecordHeader = 12;
constexpr std::size_t kAccelEntrySize = 8;

}  // namespace

bool ParseMenuResource(std::span<const std::uint8_t> bytes, MenuTemplate& out, std::string* reason) {
  out.items.clear();
  ByteReader r(bytes);
  if (!r.Magic("KMNU")) return Refuse(reason, "not a menu resource");
  if (r.U16() != 1) return Refuse(reason, "unknown menu version");
  r.U16();
  const std::uint32_t count = r.U32();
  if (!r.Ok() || count > r.Left() / kMenuRecordHeader) return Refuse(reason, "record count beyond the data");
  // The open popups, innermost last; the bar itself is the bottom level.
  std::vector<std::vector<MenuTemplateItem>*> levels{&out.items};
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t kind = r.U8();
    const std::uint32_t flags = r.U8();
    r.U16();
    const std::uint32_t id = r.U32();
    const std::uint32_t textLength = r.U16();
    const std::uint32_t shortcutLength = r.U16();
    WString text = r.Text(textLength);
    WString shortcut = r.Text(shortcutLength);
    if (!r.Ok()) return Refuse(reason, "record beyond the data");
    if (kind == 3) {
      if (levels.size() < 2) return Refuse(reason, "end of a popup that is not open");
      levels.pop_back();
      continue;
    }
    if (kind > 3) return Refuse(reason, "unknown record kind");
    MenuTemplateItem item;
    item.kind = MenuTemplateItem::Kind(kind);
    item.checkable = (flags & 1) != 0;
    item.id = id;
    item.text = text;
    item.shortcut = shortcut;
    if (levels.size() == 1 && item.kind != MenuTemplateItem::Kind::Popup) {
      return Refuse(reason, "the menu bar holds popups only");
    }
    levels.back()->push_back(std::move(item));
    if (kind == 1) {
      if (levels.size() > std::size_t(kMaxMenuDepth)) return Refuse(reason, "popups nested too deep");
      levels.push_back(&levels.back()->back().children);
    }
  }
  if (levels.size() != 1) return Refuse(reason, "a popup is not closed");
  if (r.Left() != 0) return Refuse(reason, "bytes after the last record");
  return true;
}

bool ParseAcceleratorResource(std::span<const std::uint8_t> bytes, std::vector<AcceleratorEntry>& out,
                              std::string* reason) {
  out.clear();
  ByteReader r(bytes);
  if (!r.Magic("KACC")) return Refuse(reason, "not an accelerator resource");
  if (r.U16() != 1) return Refuse(reason, "unknown accelerator version");
  r.U16();
  const std::uint32_t count = r.U32();
  if (!r.Ok() || std::uint64_t(count) * kAccelEntrySize != r.Left()) return Refuse(reason, "count does not fit the data");
  out.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    AcceleratorEntry e;
    e.flags = std::uint8_t(r.U8());
    r.U8();
    e.key = std::uint16_t(r.U16());
    e.command = std::uint16_t(r.U16());
    r.U16();
    out.push_back(e);
  }
  return r.Ok();
}

bool LoadMenuTemplate(int id, MenuTemplate& out) {
  return ParseMenuResource(FindResource(ResourceType::Menu, id), out);
}

bool LoadAcceleratorTable(int id, std::vector<AcceleratorEntry>& out) {
  return ParseAcceleratorResource(FindResource(ResourceType::AcceleratorTable, id), out);
}

}  // namespace kvn

#include "foundation/LangTable.h"

namespace kvn {

MenuText TranslateMenuText(const WString& stored) {
  MenuText out;
  out.text = stored;
  bool keeps = false;
  if (TranslateText(out.text, &keeps)) {
    out.takesPart = keeps;
  } else {
    out.text = stored;
    out.takesPart = stored.FindChar(u'&') >= 0;
  }
  return out;
}

}  // namespace kvn
