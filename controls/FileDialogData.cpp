#include "controls/FileDialogData.h"

#include <algorithm>

namespace kvn {

FileDialogData::FileDialogData(std::uint32_t flags_, const WString& filter_, const WString& initialFolder_)
    : flags(flags_ | kOfnExplorer | kOfnLongNames), initialFolder(initialFolder_) {
  SetFilter(filter_);
}

void FileDialogData::SetFilter(const WString& text) {
  const std::u16string_view v = text.View();
  filter.clear();
  if (v.find(u'|') != std::u16string_view::npos) {
    filter.assign(v.begin(), v.end());
    std::replace(filter.begin(), filter.end(), u'|', u'\0');
    // A trailing '|' already ended the last string.
    if (filter.empty() || filter.back() != u'\0') filter.push_back(u'\0');
    filter.push_back(u'\0');
    return;
  }
  const std::size_t end = v.find(std::u16string_view(u"\0\0", 2));
  filter.assign(v.substr(0, end == std::u16string_view::npos ? v.size() : end));
  filter.push_back(u'\0');
  filter.push_back(u'\0');
}

void FileDialogData::SetFileName(const WString* name) {
  fileName.clear();
  fileOffset = 0;
  if (name == nullptr) return;
  std::u16string_view v = name->View();
  v = v.substr(0, std::min<std::size_t>(v.size(), kFileNameBufferSize - 1));
  fileName.assign(v.substr(0, v.find(u'\0')));
}

std::vector<std::pair<WString, WString>> FileDialogData::FilterPairs() const {
  std::vector<WString> strings;
  std::size_t start = 0;
  while (start < filter.size()) {
    const std::size_t end = filter.find(u'\0', start);
    if (end == start || end == std::u16string::npos) break;  // the empty string ends the list
    strings.emplace_back(std::u16string_view(filter).substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::pair<WString, WString>> pairs;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
  return pairs;
}

WString FileDialogData::FilterPattern(std::uint32_t index) const {
  const auto pairs = FilterPairs();
  if (index == 0 || index > pairs.size()) return WString();
  return pairs[index - 1].second;
}

WString FilterExtension(const WString& pattern) {
  const std::u16string_view v = pattern.View();
  const std::size_t dot = v.rfind(u'.');
  if (dot == std::u16string_view::npos) return WString();
  const std::u16string_view ext = v.substr(dot);
  if (ext.find_first_of(u"*?") != std::u16string_view::npos) return WString();
  return WString(ext);
}

bool EndsWithNoCase(const WString& name, const WString& extension) {
  const int n = extension.Length();
  if (n == 0 || name.Length() < n) return n == 0;
  return WString(name.CStr() + name.Length() - n).CompareNoCaseN(extension.CStr(), n) == 0;
}

WString NameForNewType(const WString& name, const WString& previousExtension, const WString& newExtension) {
  if (previousExtension.IsEmpty() || newExtension.IsEmpty() || name.Length() <= previousExtension.Length() ||
      !EndsWithNoCase(name, previousExtension))
    return name;
  WString renamed(name.View().substr(0, std::size_t(name.Length() - previousExtension.Length())));
  renamed.Append(newExtension);
  return renamed;
}

WString NameWithTypeExtension(const WString& name, const FileDialogData& data, std::uint32_t filterIndex) {
  const WString extension = FilterExtension(data.FilterPattern(filterIndex));
  if (name.IsEmpty() || extension.IsEmpty() || EndsWithNoCase(name, extension)) return name;
  // Only the file's own name counts: a folder may hold a dot ("/a.bmp/s").
  const std::size_t slash = name.View().rfind(u'/');
  const std::size_t leafStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  const WString leaf(name.View().substr(leafStart));
  WString out(name.View().substr(0, leafStart));
  const auto pairs = data.FilterPairs();
  for (std::uint32_t other = 1; other <= pairs.size(); ++other) {
    if (other == filterIndex) continue;
    const WString renamed = NameForNewType(leaf, FilterExtension(pairs[other - 1].second), extension);
    if (!(renamed == leaf)) {
      out.Append(renamed);
      return out;
    }
  }
  out.Append(leaf);
  out.Append(extension);
  return out;
}

WString TrimTrailingBlanks(std::u16string_view name) {
  while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
  return WString(name);
}

ExtraControlsLayout LayoutExtraControls(int firstLeft, int rightEdge, bool hasSecond) {
  ExtraControlsLayout out;
  out.firstLeft = firstLeft;
  if (!hasSecond) {
    out.firstWidth = std::max(0, rightEdge - firstLeft);
    return out;
  }
  const int m = firstLeft + (rightEdge - firstLeft) / 2;
  out.firstWidth = std::max(0, m - firstLeft);
  out.secondLeft = m + 3;
  out.secondWidth = std::max(0, rightEdge - out.secondLeft);
  out.thirdLeft = m + 3;
  return out;
}

}  // namespace kvn
