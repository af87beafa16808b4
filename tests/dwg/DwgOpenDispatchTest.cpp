// The DWG reader in the open dispatcher: its refusal reaches the user as one
// box only with an owner, the code is set without one, and a cancelled load
// shows nothing.
#include <gtest/gtest.h>

#include <fstream>

#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/ProgressMonitor.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

class Owner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

class Boxes : public MessageBoxBackend {
 public:
  Boxes() : previous_(SetMessageBoxBackend(this)) {}
  ~Boxes() override { SetMessageBoxBackend(previous_); }
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t) override {
    texts.push_back(text.ToUtf8());
    return kIdOk;
  }
  std::vector<std::string> texts;

 private:
  MessageBoxBackend* previous_;
};

WString Save(const test::ScratchDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(dir / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return WString::FromUtf8((dir / name).string());
}

TEST(DwgOpenDispatch, RefusalShowsOneBoxOnlyWithAnOwner) {
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  FormatRegistry registry;
  RegisterDwgReader(registry);
  test::ScratchDir dir;
  std::vector<std::uint8_t> old = {'A', 'C', '1', '0', '1', '3'};
  old.resize(128, 0);
  const WString path = Save(dir, "old.dwg", old);
  Boxes boxes;
  Owner owner;
  OpenRequest loud;
  loud.owner = &owner;
  DocumentResult shown = OpenDrawing(path, loud, registry);
  EXPECT_EQ(int(shown.Code()), 5005);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Cannot open file.\n\nUnsupported DWG version.\n\n" + path.ToUtf8());

  DocumentResult silent = OpenDrawing(path, OpenRequest{}, registry);
  EXPECT_EQ(int(silent.Code()), 5005);
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(DwgOpenDispatch, CancelledLoadShowsNothing) {
  test::DwgFileSpec spec;
  test::DwgObjectWriter layer(15, 51, 0x10);
  layer.CommonObject();
  layer.Text("0");
  layer.data.B(0);
  layer.data.BS(0);
  layer.data.B(0);
  layer.data.BS(2);
  layer.data.BS(7);
  layer.ObjectHandles(0x02);
  for (int i = 0; i < 3; ++i) layer.Handle(5, 0);
  spec.objects.push_back(layer.Finish());
  spec.handles.push_back(0x10);
  test::ScratchDir dir;
  const WString path = Save(dir, "s.dwg", test::WriteDwgFile(spec));
  FormatRegistry registry;
  RegisterDwgReader(registry);
  Boxes boxes;
  Owner owner;
  ProgressMonitor monitor;
  monitor.Cancel();
  OpenRequest request;
  request.owner = &owner;
  request.monitor = &monitor;
  DocumentResult result = OpenDrawing(path, request, registry);
  EXPECT_EQ(result.Code(), kOpenCancelled);
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
}  // namespace kvn
