#include "foundation/MsgBox.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/SystemError.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

MessageBoxBackend* g_backend = nullptr;
// The owner of the outermost box on screen; a box shown while it is open is
// a nested one.
bool g_boxShowing = false;

WString CaptionOrDefault(const char16_t* caption) {
  return caption ? WString(caption) : LoadLangString(kStrDefaultCaption);
}

// A locale with the messages of `name` and a UTF-8 character type: the C
// library writes a translated text in its locale's character set, and the
// "C" one turns every accented letter into '?' ("Adres?? nebo soubor
// neexistuje"). The character type is the named locale's own when that is
// UTF-8, else C.UTF-8, which every glibc system has. Null when the system
// lacks the messages' locale.
locale_t Utf8MessagesLocale(const char* name) {
  locale_t messages = ::newlocale(LC_MESSAGES_MASK, name, locale_t(nullptr));
  if (!messages) return locale_t(nullptr);
  for (const char* ctype : {name, "C.UTF-8", "C.utf8"}) {
    // On success the base is taken over (and may be the locale returned);
    // on failure it stays as it was.
    locale_t both = ::newlocale(LC_CTYPE_MASK, ctype, messages);
    if (!both) continue;
    messages = both;
    if (std::strcmp(::nl_langinfo_l(CODESET, both), "UTF-8") == 0) return both;
  }
  ::freelocale(messages);
  return locale_t(nullptr);
}

// The locale whose messages match a Windows language id; null when the
// system lacks it.
locale_t MessagesLocale(std::uint16_t langId) {
  const char* const czech[] = {"cs_CZ.UTF-8", "cs_CZ.utf8", "cs_CZ", nullptr};
  const char* const slovak[] = {"sk_SK.UTF-8", "sk_SK.utf8", "sk_SK", nullptr};
  const char* const english[] = {"C", nullptr};
  const char* const* names = langId == kLangIdCzech       ? czech
                             : langId == kLangIdSlovak    ? slovak
                             : langId == kLangIdEnglishUs ? english
                                                          : nullptr;
  for (; names && *names; ++names) {
    if (locale_t loc = Utf8MessagesLocale(*names)) return loc;
  }
  return locale_t(nullptr);
}

}  // namespace

// --- Backend ----------------------------------------------------------------------

MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend) {
  MessageBoxBackend* previous = g_backend;
  g_backend = backend;
  return previous;
}

MessageBoxBackend* GetMessageBoxBackend() { return g_backend; }

// --- The one road -------------------------------------------------------------------

int ShowMessageBox(const cMsgDlg* owner, const WString& text, const char16_t* caption, std::uint32_t style) {
  MessageBoxRequest request;
  request.owner = owner;
  request.text = text;
  request.caption = CaptionOrDefault(caption);
  request.style = style;
  if (!owner || !owner->GetWindowHandle()) request.style |= kMbSystemModal;
  request.languageId = GetUILanguageId();
  if (!g_backend) return 0;
  if (g_boxShowing) {
    request.translated = false;
    return g_backend->ShowBox(request);
  }
  // Missing strings leave the toolkit's own button texts.
  request.labels.yes = LoadLangString(kStrButtonYes);
  request.labels.no = LoadLangString(kStrButtonNo);
  request.labels.cancel = LoadLangString(kStrButtonCancel);
  request.labels.ok = LoadLangString(kStrButtonOk);
  request.labels.help = LoadLangString(kStrButtonHelp);
  // The owner enters the modal stack for the time of the box (its top-level
  // window shown); the backend adds the box above it.
  request.modalOwner = owner ? owner->GetModalWindow() : nullptr;
  if (request.modalOwner) ModalStack::Push(request.modalOwner, request.modalOwner, false);
  g_boxShowing = true;
  struct Reset {
    bool popModal;
    ~Reset() {
      g_boxShowing = false;
      if (popModal) ModalStack::Pop();
    }
  } reset{request.modalOwner != nullptr};
  return g_backend->ShowBox(request);
}

int cMsgDlg::ShowMessageBox(const WString& text, const char16_t* caption, std::uint32_t style) const {
  return kvn::ShowMessageBox(this, text, caption, style);
}

int cMsgDlg::MessageBoxById(int captionId, std::uint32_t style, int textId) const {
  WString caption = captionId == 0 ? LoadLangString(kStrDefaultCaption) : LoadLangString(captionId);
  return ShowMessageBox(LoadLangString(textId), caption.CStr(), style);
}

int cMsgDlg::MessageBoxStr(const WString& caption, std::uint32_t style, const WString& text) const {
  return ShowMessageBox(text, caption.IsEmpty() ? nullptr : caption.CStr(), style);
}

int cMsgDlg::MessageBoxFmtS(const char16_t* caption, std::uint32_t style, const WString& pattern,
                            const WString& s1) const {
  return ShowMessageBox(FormatPercentS(pattern, s1), caption, style);
}

int cMsgDlg::MessageBoxFmtS2(const char16_t* caption, std::uint32_t style, const WString& pattern, const WString& s1,
                             const WString& s2) const {
  return ShowMessageBox(FormatPercentS2(pattern, s1, s2), caption, style);
}

int cMsgDlg::MessageBoxFmtS3(const char16_t* caption, std::uint32_t style, const WString& pattern, const WString& s1,
                             const WString& s2, const WString& s3) const {
  return ShowMessageBox(FormatPercentS3(pattern, s1, s2, s3), caption, style);
}

int cMsgDlg::MessageBoxFmtD(const char16_t* caption, std::uint32_t style, const WString& pattern, int d1) const {
  return ShowMessageBox(FormatPercentD(pattern, d1), caption, style);
}

// --- Placement -------------------------------------------------------------------------

void PlaceMessageBox(const ScreenRect& owner, int width, int height, const ScreenRect& workArea, int& left, int& top) {
  const ScreenRect area{workArea.left + 10, workArea.top + 10, workArea.right - 10, workArea.bottom - 10};
  const int centreX = owner.left + (owner.right - owner.left) / 2;
  const int centreY = owner.top + (owner.bottom - owner.top) / 2;
  left = std::max(centreX - width / 2, area.left);
  top = std::max(centreY - height / 2, area.top);
  if (left + width > area.right) left = area.right - width;
  if (top + height > area.bottom) top = area.bottom - height;
  // A box larger than the area keeps its title bar and left edge in view.
  left = std::max(left, area.left);
  top = std::max(top, area.top);
}

// --- File notices ---------------------------------------------------------------------------

int ShowFileMessage(const cMsgDlg* owner, const WString& message, const WString& fileName, const AString& detail) {
  WString text = message;
  text.AppendChar(u'\n');
  text.Append(fileName);
  if (!detail.IsEmpty()) {
    text.AppendCStr(u"\n\n");
    text.Append(WString::FromUtf8(detail.View()));
  }
  return ShowMessageBox(owner, text, nullptr, kMbIconError);
}

int ShowCannotOpenFile(const cMsgDlg* owner, const WString& fileName, const AString& detail) {
  return ShowFileMessage(owner, LoadLangString(kStrCannotOpenFile), fileName, detail);
}

int ShowCannotSaveFile(const cMsgDlg* owner, const WString& fileName, const AString& detail) {
  return ShowFileMessage(owner, LoadLangString(kStrCannotSaveFile), fileName, detail);
}

void AppendLongPathHint(std::uint32_t error, std::size_t pathLength, WString& text) {
  if (error == kErrorPathNotFound && pathLength >= 260) text.Append(LoadLangString(kStrLongPathHint));
}

// --- System error texts -------------------------------------------------------------------------

AString GetSystemErrorText(std::uint32_t code) {
  switch (code) {
    case kErrorSuccess: return AString("The operation completed successfully.");
    case kErrorInvalidFunction: return AString("Incorrect function.");
    case kErrorGenFailure: return AString("A device attached to the system is not functioning.");
    case kErrorHandleEof: return AString("Reached the end of the file.");
    // The spooler's codes have no errno behind them.
    case kErrorNotReady: return AString("The device is not ready.");
    case kErrorInvalidPrinterName: return AString("The printer name is invalid.");
    // The system's nearest texts ("Is a directory", none for a pipe) say
    // less than these.
    case kErrorDirectoryNotSupported: return AString(LoadLangString(kStrIsAFolder).ToUtf8().c_str());
    case kErrorBadFileType: return AString(LoadLangString(kStrNotAFile).ToUtf8().c_str());
    default: break;
  }
  if (int err = ErrnoFromSystemError(code)) {
    locale_t loc = MessagesLocale(GetUILanguageId());
    // 1024, the user's default: the locale the environment names.
    if (!loc) loc = Utf8MessagesLocale("");
    if (!loc) loc = Utf8MessagesLocale("C");
    if (loc) {
      AString text(::strerror_l(err, loc));
      ::freelocale(loc);
      return text;
    }
    char buffer[256];
    // GNU strerror_r: returns a static or the given buffer, always terminated.
    return AString(::strerror_r(err, buffer, sizeof buffer));
  }
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "System error %u.", unsigned(code));
  return AString(buffer);
}

}  // namespace kvn
