// A real message box on a private X display: Czech buttons, placed over its
// owner, closed by the test itself. A screenshot goes to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "platform/ui/MessageBoxDialog.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

class FrameOwner : public cMsgDlg {
 public:
  explicit FrameOwner(wxFrame* frame) : frame_(frame) {}
  void* GetWindowHandle() const override { return frame_; }
  void* GetOwnerWindow() const override { return nullptr; }

 private:
  wxFrame* frame_;
};

wxString ToWx(const WString& s) { return wxString::FromUTF8(s.ToUtf8()); }

using test::FindOpenBox;

TEST(MessageBoxDialog, ShowsCzechButtonsOverItsOwner) {
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  InstallMessageBoxDialogBackend();

  auto* frame = new wxFrame(nullptr, wxID_ANY, "Owner", wxPoint(80, 60), wxSize(700, 500));
  frame->Show();
  FrameOwner owner(frame);

  std::vector<wxString> labels;
  wxRect boxRect;
  bool screenshot = false;
  int ticks = 0;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    MessageBoxDialog* box = FindOpenBox();
    // Give the toolkit a few ticks to map and paint the box; then read it,
    // photograph it and answer "No" as a user would.
    if (!box || ++ticks < 4) {
      if (ticks > 100) timer.Stop();  // never reached: the box was not shown
      return;
    }
    timer.Stop();
    for (const MessageBoxDialog::Button& b : box->Buttons()) labels.push_back(b.button->GetLabel());
    boxRect = box->GetScreenRect();
    box->Update();
    screenshot = test::SaveScreenshot("message-box-cs.png");
    box->Press(kIdNo);
  });
  timer.Start(250);

  int answer = owner.ShowMessageBox(LoadLangString(19770), nullptr, kMbYesNoCancel | kMbIconQuestion | kMbHelp);
  EXPECT_EQ(answer, kIdNo);
  EXPECT_EQ(labels, (std::vector<wxString>{wxString::FromUTF8("&Ano"), wxString::FromUTF8("&Ne"),
                                           wxString::FromUTF8("Storno"), wxString::FromUTF8("Nápověda")}));
  EXPECT_EQ(labels.size() > 0 ? labels[0] : wxString(), ToWx(LoadLangString(kStrButtonYes)));
  // Centred over the owner (no window manager moves it on the test display).
  const wxRect owner_rect = frame->GetScreenRect();
  EXPECT_NEAR(boxRect.x + boxRect.width / 2, owner_rect.x + owner_rect.width / 2, 2);
  EXPECT_NEAR(boxRect.y + boxRect.height / 2, owner_rect.y + owner_rect.height / 2, 2);
  if (!screenshot) ADD_FAILURE() << "no screenshot: is /usr/bin/import (ImageMagick) installed?";

  SetMessageBoxBackend(nullptr);
  frame->Destroy();
}

TEST(MessageBoxDialog, EscapeAnswersCancelOnlyWhereThereIsOne) {
  MessageBoxRequest request;
  request.caption = WString(u"t");
  request.text = WString(u"x");
  request.style = kMbYesNo;
  MessageBoxDialog yesNo(nullptr, request);
  EXPECT_EQ(yesNo.GetEscapeId(), wxID_NONE);
  ASSERT_EQ(yesNo.Buttons().size(), 2u);
  EXPECT_EQ(yesNo.Buttons()[0].answer, kIdYes);

  request.style = kMbOkCancel | kMbDefButton2;
  MessageBoxDialog okCancel(nullptr, request);
  EXPECT_NE(okCancel.GetEscapeId(), wxID_NONE);
  EXPECT_TRUE(okCancel.Buttons()[1].button->IsThisEnabled());
  // Untranslated (nested) boxes keep the toolkit's own texts.
  request.translated = false;
  request.labels.ok = WString(u"Dobře");
  MessageBoxDialog nested(nullptr, request);
  EXPECT_NE(nested.Buttons()[0].button->GetLabel(), wxString::FromUTF8("Dobře"));
}

// The box of a file under a path of 4,432 bytes, which has no space to
// wrap at: the path is broken into lines no wider than the box's text and
// shortened in its middle, its head and its file name kept; the box fits
// the screen (unbroken, it was 1,590 pixels wide).
TEST(MessageBoxDialog, ALongPathIsBrokenAndShortenedToFitTheScreen) {
  std::string path;
  for (int i = 0; i < 22; ++i) path += "/" + std::string(199, 'd');
  path += "/" + std::string(22, 'd') + "/plan.dxf";
  ASSERT_EQ(path.size(), 4432u);
  MessageBoxRequest request;
  request.caption = WString(u"Error");
  request.text = WString::FromUtf8("Cannot open file.\r\n" + path + "\r\n\r\nThe file name is too long.");
  request.style = kMbOk | kMbIconError;
  MessageBoxDialog box(nullptr, request);
  wxStaticText* label = nullptr;
  for (wxWindow* child : box.GetChildren()) {
    if (auto* text = dynamic_cast<wxStaticText*>(child)) label = text;
  }
  ASSERT_NE(label, nullptr);
  const wxString shown = label->GetLabel();
  wxString flat = shown;
  flat.Replace("\n", "");
  EXPECT_TRUE(flat.StartsWith("Cannot open file." + path.substr(0, 100))) << shown;
  EXPECT_TRUE(flat.EndsWith(path.substr(path.size() - 100) + "The file name is too long.")) << shown;
  EXPECT_NE(shown.Find(wxString::FromUTF8("\xE2\x80\xA6")), wxNOT_FOUND) << "nothing was left out: " << shown;
  for (const wxString& line : wxSplit(shown, '\n')) EXPECT_LE(label->GetTextExtent(line).x, box.FromDIP(530)) << line;
  const wxRect area = wxDisplay(0u).GetClientArea();
  EXPECT_LE(box.GetSize().x, area.width);
  EXPECT_LE(box.GetSize().y, area.height);
}

// Paths of one to four lines of the box are broken after a '/' and keep
// every character; only a longer one loses its middle to an ellipsis. The
// rows are sized in the label's own font to half a line short of a whole
// number of lines, so that the box's break points and this count agree.
TEST(MessageBoxDialog, APathOfUpToFourLinesKeepsEveryCharacter) {
  const wxString ellipsis = wxString::FromUTF8("\xE2\x80\xA6");
  auto labelOf = [](MessageBoxDialog& box) -> wxStaticText* {
    wxStaticText* label = nullptr;
    for (wxWindow* child : box.GetChildren()) {
      if (auto* text = dynamic_cast<wxStaticText*>(child)) label = text;
    }
    return label;
  };
  MessageBoxRequest request;
  request.caption = WString(u"Error");
  request.text = WString(u"x");
  request.style = kMbOk | kMbIconError;
  MessageBoxDialog probe(nullptr, request);
  wxStaticText* probeLabel = labelOf(probe);
  ASSERT_NE(probeLabel, nullptr);
  const int lineWidth = probe.FromDIP(520);
  wxBitmap measureOn(1, 1);
  wxMemoryDC measure(measureOn);
  measure.SetFont(probeLabel->GetFont());
  // Folders of names of their own, so that a character left out shows.
  std::string source;
  for (int i = 0; source.size() < 2000; ++i) source += "/folder" + std::to_string(i);
  wxArrayInt ends;
  measure.GetPartialTextExtents(wxString(source), ends);
  ASSERT_EQ(ends.size(), source.size());

  struct Row {
    double lines;  // the path's width in lines of the box
    bool shortened;
  };
  for (const Row row : {Row{0.5, false}, Row{1.5, false}, Row{2.5, false}, Row{3.5, false}, Row{4.5, true},
                        Row{6.5, true}}) {
    SCOPED_TRACE(testing::Message() << row.lines << " lines");
    std::size_t length = 0;
    while (length < ends.size() && ends[length] <= row.lines * lineWidth) ++length;
    ASSERT_LT(length, ends.size()) << "the source path is too short for the row";
    const std::string path = source.substr(0, length);
    request.text = WString::FromUtf8("Cannot open file.\r\n" + path);
    MessageBoxDialog box(nullptr, request);
    wxStaticText* label = labelOf(box);
    ASSERT_NE(label, nullptr);
    const wxString shown = label->GetLabel();
    const wxArrayString lines = wxSplit(shown, '\n');
    wxString flat = shown;
    flat.Replace("\n", "");
    if (row.shortened) {
      EXPECT_NE(shown.Find(ellipsis), wxNOT_FOUND) << "nothing was left out: " << shown;
      EXPECT_TRUE(flat.StartsWith("Cannot open file." + path.substr(0, 40))) << shown;
      EXPECT_TRUE(flat.EndsWith(path.substr(path.size() - 40))) << shown;
    } else {
      EXPECT_EQ(shown.Find(ellipsis), wxNOT_FOUND) << "an ellipsis in a path that fits: " << shown;
      EXPECT_EQ(std::string(flat.utf8_str()), "Cannot open file." + path) << "characters left out";
      // The first line is the text before the path.
      EXPECT_GE(lines.size(), 1 + std::size_t(std::ceil(row.lines))) << shown;
    }
    for (const wxString& line : lines) EXPECT_LE(label->GetTextExtent(line).x, box.FromDIP(530)) << line;
  }
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv, false); }
