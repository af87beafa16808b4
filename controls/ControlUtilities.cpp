#include "controls/ControlUtilities.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "foundation/AString.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathBytes.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {

constexpr int kStrCannotCopyFile = 1142;

std::filesystem::path PathOf(const WString& name) { return std::filesystem::path(PathBytes(name.View())); }

}  // namespace

std::unique_ptr<std::vector<std::uint8_t>> LoadRawResource(int id, ResourceType type) {
  const std::span<const std::uint8_t> bytes = FindResource(type, id);
  if (bytes.empty()) return nullptr;
  return std::make_unique<std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
}

bool CopyFileWithReport(const WString& source, const WString& target, bool overwrite, const cMsgDlg* parent,
                        std::uint32_t* error) {
  if (error) *error = 0;
  if (!FileExists(source) || DirectoryExists(source)) {
    if (error) *error = SystemErrorFromErrno(DirectoryExists(source) ? EISDIR : ENOENT);
    if (parent) ShowCannotOpenFile(parent, source, AString());
    return false;
  }
  std::uint32_t code = 0;
  std::error_code ec;
  if (!overwrite && PathExists(target)) {
    code = kErrorFileExists;
  } else {
    const auto options = overwrite ? std::filesystem::copy_options::overwrite_existing
                                   : std::filesystem::copy_options::none;
    if (!std::filesystem::copy_file(PathOf(source), PathOf(target), options, ec)) {
      code = ec ? SystemErrorFromErrno(ec.value()) : kErrorFileExists;
    }
  }
  if (code == 0) {
    // A copy of a read-only file is writable.
    SetFileAttributesLong(target, kFileAttributeNormal);
    return true;
  }
  if (error) *error = code;
  if (parent) {
    WString text = LoadLangString(kStrCannotCopyFile);
    AppendLongPathHint(code, std::size_t(source.Length()), text);
    ShowFileMessage(parent, text, source, GetSystemErrorText(code));
  }
  return false;
}

void ReplaceChar(std::string& text, char newChar, char oldChar) { std::replace(text.begin(), text.end(), oldChar, newChar); }

void SetOwnedText(std::unique_ptr<char[]>& holder, const char* text) {
  if (text == nullptr) {
    holder.reset();
    return;
  }
  const std::size_t n = std::strlen(text);
  auto copy = std::make_unique<char[]>(n + 1);
  std::memcpy(copy.get(), text, n + 1);
  holder = std::move(copy);
}

}  // namespace kvn
