// The save dialog over the GTK chooser: an extra check box of the program's
// template inside the chooser, stored only on OK; the chosen filter's
// extension appended to the typed name; the program's question before an
// existing file is replaced; the type-change hook. The name is typed and
// Escape pressed through the X server (xdotool).
#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/timer.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>
#include <tuple>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "controls/AutoButtons.h"
#include "controls/FileDialogs.h"
#include "foundation/DialogFolder.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathBytes.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/ToolkitSymbol.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

constexpr int kCompressCheck = 201;
const DialogControlData kExtraControls[] = {
    {DialogControlClass::Button, kCompressCheck, u"~0A5F1&Compress the file~", 4, 2, 120, 10,
     kWsVisible | kWsTabStop | kBsAutoCheckBox},
};
const DialogTemplateData kExtra[] = {{29811, u"", 200, 14, 0, kExtraControls, 1}};

const char* const kTitle = "Save test";

// Runs the dialog and the steps inside the chooser's loop, one per tick; a
// step returns false to be asked again.
int RunSteps(TOpenSaveDialogMy& dialog, std::deque<std::function<bool()>> steps) {
  test::StepClock clock;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (clock.Expired("the chooser's steps")) {
      timer.Stop();
      ADD_FAILURE() << "the chooser did not close by itself; steps left: " << steps.size();
      test::SaveScreenshot("file-chooser-stuck.png");
      // Not through the X server: an Escape sent there may be lost the way
      // the test's own keys were.
      test::EndModalWindows();
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(100);
  const int result = dialog.Execute();
  timer.Stop();
  return result;
}

bool ChooserShown() {
  return !test::Shell(std::string("xdotool search --onlyvisible --name '^") + kTitle + "$' 2>/dev/null").empty();
}

// Neither Return in the name field nor a click on Save ends the GTK chooser
// on the test display (no window manager); the chooser's own OK command,
// which both lead to, is given to it instead.
// The chooser is the extra panel's parent (GTK's chooser is not among the
// toolkit's list of top-level windows).
wxWindow* ChooserOf(TOpenSaveDialogMy& dialog) {
  return dialog.Extra() && dialog.Extra()->GetPeer() ? dialog.Extra()->GetPeer()->GetParent() : nullptr;
}

// Whether the keys typed into the name field have all arrived: the chooser's
// path ends in the name (xdotool returns before GTK has handled its keys).
bool NameArrived(TOpenSaveDialogMy& dialog, const std::string& name) {
  auto* chooser = dynamic_cast<wxFileDialog*>(ChooserOf(dialog));
  if (chooser == nullptr) return true;
  const std::string path = chooser->GetPath().ToStdString();
  return path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0;
}

void PressSave(TOpenSaveDialogMy& dialog) {
  wxWindow* chooser = ChooserOf(dialog);
  if (chooser == nullptr) return;
  wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
  ok.SetEventObject(chooser);
  chooser->GetEventHandler()->ProcessEvent(ok);
}

// A save dialog that counts the filters the user picks.
class WatchedSaveDialog : public TAutoFileSaveDialog {
 public:
  using TAutoFileSaveDialog::TAutoFileSaveDialog;
  std::vector<std::uint32_t> picked;

 protected:
  void TypeChange(std::uint32_t filterIndex) override { picked.push_back(filterIndex); }
};

class FileChooserTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    frame_.reset(test::NewFrame(WString(u"Owner"), 60, 40, 900, 700));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    folder_.SetFolder(WString::FromUtf8(scratch_.Path().string()), false);
    previousBoxes_ = SetMessageBoxBackend(&boxes_);
  }
  void TearDown() override {
    SetMessageBoxBackend(previousBoxes_);
    frame_.reset();
    test::SettingsFolderTest::TearDown();
  }

  // One run: the check box set, the name typed, Return or Escape.
  int Run(FileDialogData& data, int& compress, const std::string& name, bool confirm, WString* checkText = nullptr) {
    TAutoFileSaveDialog dialog(1, &folder_, WString(), frame_.get(), data, 29811, WString::FromUtf8(kTitle));
    auto* check = new TAutoCheck(dialog.Extra(), kExtraControls[0].id, &compress, 0);
    dialog.extraControlIds[0] = kCompressCheck;
    return RunSteps(dialog, {[&] {
                               return ChooserShown() && check->GetHandle() != nullptr; },
                             [&] {
                               if (checkText) *checkText = check->GetText();
                               check->SetCheck(kBstChecked);
                               // The name field has the focus in a save chooser.
                               test::Shell(test::XdoOnWindow(kTitle, "key ctrl+a"));
                               test::Shell(test::XdoOnWindow(kTitle, "type " + name));
                               return true;
                             },
                             [&] {
                               if (confirm) {
                                 if (!NameArrived(dialog, name)) return false;
                                 PressSave(dialog);
                               } else {
                                 test::Shell(test::XdoOnWindow(kTitle, "key Escape"));
                               }
                               return true;
                             }});
  }

  ScopedDialogTemplates templates_{kExtra};
  test::ScratchDir scratch_;
  DialogFolder folder_{WString(u"ChooserTest"), DialogFolder::kDocuments};
  std::unique_ptr<TFrameWindow> frame_;
  test::AnsweringBoxes boxes_{std::chrono::milliseconds(60)};
  MessageBoxBackend* previousBoxes_ = nullptr;
};

const WString kFilter(u"DXF file (*.dxf)|*.dxf|All files|*.*");

TEST_F(FileChooserTest, CheckBoxIsStoredOnlyOnOkAndTheExtensionIsAppended) {
  int compress = 0;
  {
    FileDialogData data(0, kFilter);
    EXPECT_EQ(Run(data, compress, "plan", false), 2);
    EXPECT_EQ(compress, 0);  // cancelled: not stored
    EXPECT_TRUE(data.chosenFiles.empty());
  }
  {
    FileDialogData data(0, kFilter);
    WString text;
    EXPECT_EQ(Run(data, compress, "plan", true, &text), 1);
    EXPECT_EQ(compress, 1);
    ASSERT_EQ(data.chosenFiles.size(), 1u);
    EXPECT_EQ(data.chosenFiles[0].ToUtf8(), (scratch_.Path() / "plan.dxf").string());
    EXPECT_EQ(text, WString(u"&Compress the file"));
    EXPECT_TRUE(boxes_.texts.empty());
  }
}

TEST_F(FileChooserTest, AnExistingFileIsAskedAboutAndCancelChoosesNothing) {
  std::ofstream(scratch_.Path() / "plan.dxf") << "0\nEOF\n";
  int compress = 0;
  FileDialogData data(0, kFilter);
  boxes_.answers.push_back(kIdCancel);
  EXPECT_EQ(Run(data, compress, "plan", true), 2);
  EXPECT_TRUE(data.chosenFiles.empty());
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_NE(boxes_.texts[0].ToUtf8().find("plan.dxf' already exist"), std::string::npos) << boxes_.texts[0].ToUtf8();
  EXPECT_EQ(boxes_.captions[0], WString(u"Question"));
  EXPECT_EQ(boxes_.styles[0], kMbOkCancel | kMbIconWarning);
}

TEST_F(FileChooserTest, TheTypeChangeHookRunsWhenTheFilterChanges) {
  int compress = 0;
  FileDialogData data(0, kFilter);
  WatchedSaveDialog dialog(1, &folder_, WString(), frame_.get(), data, 29811, WString::FromUtf8(kTitle));
  new TAutoCheck(dialog.Extra(), kExtraControls[0].id, &compress, 0);
  auto chooser = [&]() -> wxFileDialog* {
    wxWindow* peer = dialog.Extra()->GetPeer();
    return peer ? dynamic_cast<wxFileDialog*>(peer->GetParent()) : nullptr;
  };
  int waited = 0;
  const int result = RunSteps(dialog, {[&] { return ChooserShown() && chooser() != nullptr; },
                                       [&] {
                                         chooser()->SetFilterIndex(1);  // "All files"
                                         return true;
                                       },
                                       [&] { return !dialog.picked.empty() || ++waited > 20; },
                                       [&] {
                                         test::Shell(test::XdoOnWindow(kTitle, "key Escape"));
                                         return true;
                                       }});
  EXPECT_EQ(result, 2);
  ASSERT_EQ(dialog.picked.size(), 1u);
  EXPECT_EQ(dialog.picked[0], 2u);
  // Cancelled: the chosen index is not remembered.
  EXPECT_EQ(data.filterIndex, 1u);
}

// The rows the chooser's file list shows now (under its current filter),
// -1 while it has no list.
int ListedFiles(void* chooser) {
  using TypeOf = unsigned long (*)();
  using IsA = int (*)(void*, unsigned long);
  using ForAll = void (*)(void*, void (*)(void*, void*), void*);
  using GetModel = void* (*)(void*);
  using CountRows = int (*)(void*, void*);
  const auto isA = ToolkitSymbol<IsA>("g_type_check_instance_is_a");
  const auto containerType = ToolkitSymbol<TypeOf>("gtk_container_get_type");
  const auto treeViewType = ToolkitSymbol<TypeOf>("gtk_tree_view_get_type");
  const auto forAll = ToolkitSymbol<ForAll>("gtk_container_forall");
  const auto getModel = ToolkitSymbol<GetModel>("gtk_tree_view_get_model");
  const auto countRows = ToolkitSymbol<CountRows>("gtk_tree_model_iter_n_children");
  if (!isA || !containerType || !treeViewType || !forAll || !getModel || !countRows || !chooser) return -1;
  // The chooser holds one tree view: its list of files.
  struct Search {
    std::function<void(void*)> visit;
    void* found = nullptr;
  } search;
  search.visit = [&](void* widget) {
    if (search.found) return;
    if (isA(widget, treeViewType())) search.found = widget;
    else if (isA(widget, containerType()))
      forAll(widget, [](void* child, void* s) { static_cast<Search*>(s)->visit(child); }, &search);
  };
  search.visit(chooser);
  void* model = search.found ? getModel(search.found) : nullptr;
  return model ? countRows(model, nullptr) : -1;
}

// A file and folder whose names are not UTF-8 (Latin-1 bytes, as copied
// from an old disk): the chooser opens in the remembered folder, lists the
// file under the filter its name matches (GTK's own patterns see only its
// display name, "caf\uFFFD.dxf (invalid encoding)") and gives the chosen
// file's full path byte for byte. The file is selected through GTK by its
// bytes: no key types a byte that is not UTF-8.
TEST_F(FileChooserTest, AFileNamedInLatin1IsChosenByItsBytes) {
  const std::string folder = (scratch_.Path() / "pl\xE1ny").string();
  ASSERT_TRUE(fs::create_directory(folder));
  const std::string file = folder + "/caf\xE9.dxf";
  std::ofstream(file) << "0\nEOF\n";
  std::ofstream(folder + "/not\xE9s.txt") << "not a drawing\n";
  folder_.SetFolder(PathFromBytes(folder), false);
  using Get = char* (*)(void*);
  using Select = int (*)(void*, const char*);
  using Free = void (*)(void*);
  using Respond = void (*)(void*, int);
  constexpr int kGtkResponseAccept = -3;
  const auto respond = ToolkitSymbol<Respond>("gtk_dialog_response");
  const auto getFolder = ToolkitSymbol<Get>("gtk_file_chooser_get_current_folder");
  const auto getName = ToolkitSymbol<Get>("gtk_file_chooser_get_filename");
  const auto select = ToolkitSymbol<Select>("gtk_file_chooser_select_filename");
  const auto free = ToolkitSymbol<Free>("g_free");
  ASSERT_TRUE(getFolder && getName && select && free && respond) << "GTK's chooser functions are not in the process";
  auto text = [&](Get get, TOpenSaveDialogMy& dialog) {
    char* got = get(ChooserOf(dialog)->GetHandle());
    const std::string out = got ? got : "";
    free(got);
    return out;
  };

  FileDialogData data(kOfnFileMustExist, kFilter);
  TAutoFileOpenDialog dialog(1, &folder_, WString(), frame_.get(), data, 29811, WString::FromUtf8(kTitle));
  std::string shownFolder;
  int listed = -1;
  const int result =
      RunSteps(dialog, {[&] { return ChooserShown() && ChooserOf(dialog) != nullptr; },
                        [&] { return (shownFolder = text(getFolder, dialog)) == folder; },
                        // Under "DXF file": the drawing, not the text.
                        [&] { return (listed = ListedFiles(ChooserOf(dialog)->GetHandle())) == 1; },
                        [&] {
                          // GTK selects once it has listed the folder: asked again until it has.
                          select(ChooserOf(dialog)->GetHandle(), file.c_str());
                          return text(getName, dialog) == file;
                        },
                        [&] {
                          // What the chooser's Open button emits.
                          respond(ChooserOf(dialog)->GetHandle(), kGtkResponseAccept);
                          return true;
                        }});
  EXPECT_EQ(shownFolder, folder);
  EXPECT_EQ(listed, 1) << "files listed under the DXF filter";
  EXPECT_EQ(result, 1);
  ASSERT_EQ(data.chosenFiles.size(), 1u);
  EXPECT_EQ(PathBytes(data.chosenFiles[0].View()), file);
  EXPECT_EQ(PathBytes(folder_.GetFolder().View()).rfind(folder, 0), 0u);
}

// Files named in Latin-1 of several types under a filter of several
// patterns, as File > Open offers "All types of drawings and pictures":
// each is listed under that filter, whichever of its patterns it matches,
// and under its own type's filter. The counts are read once the folder is
// listed whole under "All files": GTK filters a listed folder again at
// once when the filter changes.
TEST_F(FileChooserTest, FilesNamedInLatin1AreListedUnderAFilterOfSeveralPatterns) {
  const std::string folder = (scratch_.Path() / "types").string();
  ASSERT_TRUE(fs::create_directory(folder));
  for (const char* name : {"caf\xE9.dxf", "pl\xE1n.dwg", "n\xE1kres.png", "not\xE9s.txt"})
    std::ofstream(folder + "/" + name) << "x\n";
  folder_.SetFolder(PathFromBytes(folder), false);
  using Get = char* (*)(void*);
  using Free = void (*)(void*);
  using Respond = void (*)(void*, int);
  constexpr int kGtkResponseCancel = -6;
  const auto respond = ToolkitSymbol<Respond>("gtk_dialog_response");
  const auto getFolder = ToolkitSymbol<Get>("gtk_file_chooser_get_current_folder");
  const auto free = ToolkitSymbol<Free>("g_free");
  ASSERT_TRUE(getFolder && free && respond) << "GTK's chooser functions are not in the process";

  const WString filter(
      u"All types of drawings and pictures|*.dwg;*.dxf;*.png|DWG file (*.dwg)|*.dwg|DXF file (*.dxf)|*.dxf|"
      u"PNG picture (*.png)|*.png|All files|*.*");
  struct Listed {
    int filter;  // 0-based, in the chooser's order
    const char* patterns;
    int want;
    int got = -1;
  };
  std::vector<Listed> table = {{0, "*.dwg;*.dxf;*.png", 3}, {1, "*.dwg", 1}, {2, "*.dxf", 1}, {3, "*.png", 1}};
  constexpr int kAllFiles = 4;
  FileDialogData data(kOfnFileMustExist, filter);
  TAutoFileOpenDialog dialog(1, &folder_, WString(), frame_.get(), data, 29811, WString::FromUtf8(kTitle));
  auto chooser = [&] { return dynamic_cast<wxFileDialog*>(ChooserOf(dialog)); };
  int all = -1;
  const int result = RunSteps(
      dialog, {[&] { return ChooserShown() && chooser() != nullptr; },
               [&] {
                 char* got = getFolder(chooser()->GetHandle());
                 const bool there = got != nullptr && got == folder;
                 free(got);
                 return there;
               },
               [&] {
                 chooser()->SetFilterIndex(kAllFiles);
                 return true;
               },
               [&] { return (all = ListedFiles(chooser()->GetHandle())) == 4; },
               [&] {
                 for (Listed& row : table) {
                   chooser()->SetFilterIndex(row.filter);
                   row.got = ListedFiles(chooser()->GetHandle());
                 }
                 respond(chooser()->GetHandle(), kGtkResponseCancel);
                 return true;
               }});
  EXPECT_EQ(result, 2);
  EXPECT_EQ(all, 4) << "files listed under All files";
  for (const Listed& row : table)
    EXPECT_EQ(row.got, row.want) << "files listed under " << row.patterns;
}

// The chooser's sidebar tip ("Recent files") shown when the chooser closes
// must not stay on top of the frame.
TEST_F(FileChooserTest, TheSidebarTipGoesWithTheChooser) {
  using namespace std::chrono_literals;
  auto regionOf = [](const test::Screen& a, const test::Screen& b, int skipTop, int skipBottom) {
    TRect box{1 << 30, 1 << 30, -1, -1};
    int n = 0;
    for (int y = 0; y < std::min(a.height, b.height); ++y) {
      if (y >= skipTop && y <= skipBottom) continue;
      for (int x = 0; x < std::min(a.width, b.width); ++x) {
        if (a.At(x, y) == b.At(x, y)) continue;
        ++n;
        box = TRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
      }
    }
    return std::make_pair(n, box);
  };
  auto move = [](int x, int y) {
    test::Shell("timeout 10 xdotool " + test::PointerTo(x, y) + " >/dev/null 2>&1");
  };
  move(5, 1000);
  test::Pump(200ms);
  const test::Screen frameOnly = test::GrabScreen(test::ArtifactDir() / "tip-frame.png");
  FileDialogData data(kOfnFileMustExist, kFilter);
  TAutoFileOpenDialog dialog(1, &folder_, WString(), frame_.get(), data, 29811, WString::FromUtf8(kTitle));
  int tipPixels = 0;
  TRect tip;
  int hoverY = 0;
  test::Screen plain;
  RunSteps(dialog, {[&] { return ChooserShown() && ChooserOf(dialog) != nullptr; },
                    [&] {
                      plain = test::GrabScreen(test::ArtifactDir() / "tip-chooser.png");
                      // The sidebar's first row, "Recent", near the chooser's top-left corner.
                      const wxRect r = ChooserOf(dialog)->GetScreenRect();
                      hoverY = r.y + 22;
                      move(r.x + 39, hoverY);
                      test::Pump(30ms);
                      move(r.x + 40, hoverY);
                      return true;
                    },
                    [&] {
                      test::Pump(1500ms);
                      const test::Screen shown = test::GrabScreen(test::ArtifactDir() / "tip-shown.png");
                      std::tie(tipPixels, tip) = regionOf(plain, shown, hoverY - 16, hoverY + 16);
                      test::Shell(test::XdoOnWindow(kTitle, "key Escape"));
                      return true;
                    }});
  test::Pump(500ms);
  if (tipPixels < 50) GTEST_SKIP() << "GTK showed no tip on this display";
  const test::Screen after = test::GrabScreen(test::ArtifactDir() / "tip-after.png");
  int left = 0;
  for (int y = std::max<int>(tip.top, 0); y < std::min<int>(tip.bottom, after.height); ++y)
    for (int x = std::max<int>(tip.left, 0); x < std::min<int>(tip.right, after.width); ++x)
      left += after.At(x, y) != frameOnly.At(x, y);
  EXPECT_LT(left, tipPixels / 10) << "the tip stayed where it was";
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
