#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"

namespace kvn {
namespace {

std::u16string U16(const WString& s) { return std::u16string(s.View()); }

struct Seen {
  const cMsgDlg* owner;
  std::u16string text;
  std::u16string caption;
  std::uint32_t style;
  std::uint16_t languageId;
  bool translated;
  std::vector<std::u16string> labels;  // yes, no, cancel, ok, help
};

class FakeBackend : public MessageBoxBackend {
 public:
  FakeBackend() : previous_(SetMessageBoxBackend(this)) {}
  ~FakeBackend() override { SetMessageBoxBackend(previous_); }
  int ShowBox(const MessageBoxRequest& r) override {
    seen.push_back({r.owner,
                    U16(r.text),
                    U16(r.caption),
                    r.style,
                    r.languageId,
                    r.translated,
                    {U16(r.labels.yes), U16(r.labels.no), U16(r.labels.cancel), U16(r.labels.ok), U16(r.labels.help)}});
    if (whileShown) {
      auto inner = std::move(whileShown);
      inner();
    }
    return answer;
  }
  std::vector<Seen> seen;
  int answer = kIdOk;
  std::function<void()> whileShown;

 private:
  MessageBoxBackend* previous_;
};

class Owner : public cMsgDlg {
 public:
  explicit Owner(void* window) : window_(window) {}
  void* GetWindowHandle() const override { return window_; }
  void* GetOwnerWindow() const override { return nullptr; }

 private:
  void* window_;
};

class MsgBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetLanguageIndex();
    Use(kLanguageCzech);
  }
  void TearDown() override { Use(saved_); }
  // The texts cached under a language stay until the language changes: a
  // test before may have cached that language's under another table.
  static void Use(int language) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    lang_testing::ClearLangStringCache();
  }
  int saved_ = 0;
  int window_ = 0;
  Owner owner_{&window_};
  Owner windowless_{nullptr};
};

TEST_F(MsgBoxTest, TranslatedButtonsAndDefaultCaption) {
  FakeBackend backend;
  backend.answer = kIdNo;
  EXPECT_EQ(owner_.ShowMessageBox(WString(u"Uložit?"), nullptr, kMbYesNoCancel | kMbIconQuestion), kIdNo);
  ASSERT_EQ(backend.seen.size(), 1u);
  const Seen& s = backend.seen[0];
  EXPECT_EQ(s.owner, &owner_);
  EXPECT_EQ(s.text, u"Uložit?");
  EXPECT_EQ(s.caption, u"Chyba");
  EXPECT_EQ(s.style, kMbYesNoCancel | kMbIconQuestion);
  EXPECT_EQ(s.languageId, GetUILanguageId());
  EXPECT_TRUE(s.translated);
  EXPECT_EQ(s.labels, (std::vector<std::u16string>{u"&Ano", u"&Ne", u"Storno", u"OK", u"Nápověda"}));

  Use(kLanguageEnglish);
  owner_.MessageBox(WString(u"Save?"), u"Caption", kMbYesNo);
  EXPECT_EQ(backend.seen[1].caption, u"Caption");
  EXPECT_EQ(backend.seen[1].labels, (std::vector<std::u16string>{u"&Yes", u"&No", u"Cancel", u"OK", u"Help"}));
}

TEST_F(MsgBoxTest, ABoxWithoutOwnerWindowIsSystemModal) {
  FakeBackend backend;
  windowless_.MessageBoxArgs(nullptr, kMbOk, WString(u"a"));
  ShowMessageBox(nullptr, WString(u"b"), nullptr, kMbIconWarning);
  owner_.MessageBox(WString(u"c"));
  ASSERT_EQ(backend.seen.size(), 3u);
  EXPECT_EQ(backend.seen[0].style, kMbSystemModal);
  EXPECT_EQ(backend.seen[1].style, kMbSystemModal | kMbIconWarning);
  EXPECT_EQ(backend.seen[1].owner, nullptr);
  EXPECT_EQ(backend.seen[2].style, kMbOk);
}

TEST_F(MsgBoxTest, NestedBoxKeepsTheToolkitsButtons) {
  FakeBackend backend;
  backend.whileShown = [&] { owner_.MessageBox(WString(u"inner")); };
  owner_.MessageBox(WString(u"outer"));
  ASSERT_EQ(backend.seen.size(), 2u);
  EXPECT_TRUE(backend.seen[0].translated);
  EXPECT_FALSE(backend.seen[1].translated);
  EXPECT_EQ(backend.seen[1].labels[0], u"");
  EXPECT_EQ(backend.seen[1].caption, u"Chyba");
  // Once the outer box is closed, boxes are translated again.
  owner_.MessageBox(WString(u"after"));
  EXPECT_TRUE(backend.seen[2].translated);
}

TEST_F(MsgBoxTest, CaptionsByIdAndString) {
  FakeBackend backend;
  owner_.MessageBoxById(0, kMbIconError, 1116);
  owner_.MessageBoxById(1124, kMbOk, 16904);
  owner_.MessageBoxStr(WString(), kMbOk, WString(u"t"));
  owner_.MessageBoxStr(WString(u"Own"), kMbOk, WString(u"t"));
  ASSERT_EQ(backend.seen.size(), 4u);
  EXPECT_EQ(backend.seen[0].caption, u"Chyba");
  EXPECT_EQ(backend.seen[0].text, u"Výraz nelze vyhodnotit.");
  EXPECT_EQ(backend.seen[1].caption, u"Obrázky");
  EXPECT_EQ(backend.seen[1].text, u"(podle bloku)");
  EXPECT_EQ(backend.seen[2].caption, u"Chyba");
  EXPECT_EQ(backend.seen[3].caption, u"Own");
}

TEST_F(MsgBoxTest, FormattedBoxes) {
  FakeBackend backend;
  owner_.MessageBoxFmtS(nullptr, kMbOk, WString(u"File %s: 100%%"), WString(u"a%%.kvn"));
  owner_.MessageBoxFmtS2(nullptr, kMbOk, WString(u"%s -> %s"), WString(u"a"), WString(u"b"));
  owner_.MessageBoxFmtS3(nullptr, kMbOk, WString(u"%s%s%s"), WString(u"a"), WString(u"b"), WString(u"c"));
  owner_.MessageBoxFmtD(nullptr, kMbOk, WString(u"Internal error #%d"), 42);
  ASSERT_EQ(backend.seen.size(), 4u);
  EXPECT_EQ(backend.seen[0].text, u"File a%%.kvn: 100%");
  EXPECT_EQ(backend.seen[1].text, u"a -> b");
  EXPECT_EQ(backend.seen[2].text, u"abc");
  EXPECT_EQ(backend.seen[3].text, u"Internal error #42");
}

TEST_F(MsgBoxTest, FileMessages) {
  FakeBackend backend;
  ShowCannotOpenFile(&owner_, WString(u"/tmp/a.kvn"), AString("Soubor neexistuje \xC4\x8D"));
  ShowCannotSaveFile(&owner_, WString(u"/tmp/b.kvn"), AString());
  ASSERT_EQ(backend.seen.size(), 2u);
  // The detail is UTF-8.
  EXPECT_EQ(backend.seen[0].text, u"Soubor nelze otevřít:\n/tmp/a.kvn\n\nSoubor neexistuje č");
  EXPECT_EQ(backend.seen[0].style, kMbIconError);
  EXPECT_EQ(backend.seen[0].caption, u"Chyba");
  EXPECT_EQ(backend.seen[1].text, u"Soubor nelze uložit:\n/tmp/b.kvn");
}

TEST_F(MsgBoxTest, LongPathHint) {
  WString text(u"x");
  AppendLongPathHint(kErrorPathNotFound, 259, text);
  AppendLongPathHint(kErrorFileNotFound, 300, text);
  EXPECT_EQ(U16(text), u"x");
  AppendLongPathHint(kErrorPathNotFound, 260, text);
  EXPECT_EQ(U16(text), u"x" + U16(LoadLangString(kStrLongPathHint)));
  EXPECT_GT(text.Length(), 10);
}

TEST_F(MsgBoxTest, SystemErrorTexts) {
  EXPECT_FALSE(GetSystemErrorText(kErrorFileNotFound).IsEmpty());
  EXPECT_FALSE(GetSystemErrorText(kErrorDiskFull).IsEmpty());
  EXPECT_EQ(GetSystemErrorText(kErrorHandleEof), "Reached the end of the file.");
  EXPECT_EQ(GetSystemErrorText(4000), "System error 4000.");
}

class FakeWindow : public ModalWindow {
 public:
  ModalWindow* GetParentModalWindow() const override { return nullptr; }
  bool HasHandle() const override { return true; }
  bool IsVisibleOrCreatedVisible() const override { return true; }
  bool IsIconic() const override { return iconic; }
  void ShowWindow(int command) override { shown.push_back(command); }
  bool IsWindowEnabled() const override { return true; }
  void EnableWindow(bool) override {}
  bool iconic = true;
  std::vector<int> shown;
};

class ModalOwner : public Owner {
 public:
  using Owner::Owner;
  ModalWindow* GetModalWindow() const override { return &window; }
  mutable FakeWindow window;
};

TEST_F(MsgBoxTest, AnOwnerWithAWindowObjectIsOnTheModalStackWhileTheBoxIsOpen) {
  FakeBackend backend;
  ModalOwner owner(&window_);
  std::uint32_t depth = 0;
  ModalWindow* top = nullptr;
  backend.whileShown = [&] {
    depth = ModalStack::Depth();
    top = ModalStack::Top();
    owner.MessageBox(WString(u"nested: no second push"));
  };
  owner.MessageBox(WString(u"x"));
  EXPECT_EQ(depth, 1u);
  EXPECT_EQ(top, &owner.window);
  EXPECT_EQ(ModalStack::Depth(), 0u);
  // The owner's (iconic) top-level window was restored for the box.
  EXPECT_EQ(owner.window.shown, (std::vector<int>{kSwRestore}));
  // A plain owner does not touch the stack.
  backend.whileShown = [&] { depth = ModalStack::Depth(); };
  owner_.MessageBox(WString(u"y"));
  EXPECT_EQ(depth, 0u);
}

TEST_F(MsgBoxTest, NoBackendShowsNothing) {
  MessageBoxBackend* previous = SetMessageBoxBackend(nullptr);
  EXPECT_EQ(owner_.MessageBox(WString(u"nobody sees this")), 0);
  SetMessageBoxBackend(previous);
}

TEST(MsgBoxPlacement, CentredOnTheOwnerInsideTheWorkArea) {
  const ScreenRect area{0, 0, 1280, 1024};
  int left = 0, top = 0;
  PlaceMessageBox({100, 100, 700, 500}, 200, 100, area, left, top);
  EXPECT_EQ(left, 300);
  EXPECT_EQ(top, 250);
  // Near the right and bottom edges: kept 10 pixels inside.
  PlaceMessageBox({1100, 900, 1300, 1100}, 300, 200, area, left, top);
  EXPECT_EQ(left, 1280 - 10 - 300);
  EXPECT_EQ(top, 1024 - 10 - 200);
  // Near the left and top edges.
  PlaceMessageBox({-300, -300, 100, 100}, 300, 200, area, left, top);
  EXPECT_EQ(left, 10);
  EXPECT_EQ(top, 10);
  // A second monitor to the right.
  PlaceMessageBox({1500, 100, 1900, 500}, 200, 100, {1280, 0, 2560, 1024}, left, top);
  EXPECT_EQ(left, 1600);
  EXPECT_EQ(top, 250);
  // Larger than the area: the top-left corner stays in view.
  PlaceMessageBox({0, 0, 200, 200}, 2000, 2000, area, left, top);
  EXPECT_EQ(left, 10);
  EXPECT_EQ(top, 10);
}

}  // namespace
}  // namespace kvn
