// A metafile put on the desktop clipboard of a private X display comes back
// with the same bytes under its MIME type.
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include <vector>

#include "model/cWmf.h"
#include "platform/gdi/Clipboard.h"
#include "platform/ui/WxClipboard.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

TEST(WxClipboard, MetafileBytesRoundTripThroughTheDesktopClipboard) {
  InstallWxClipboard();
  std::vector<std::uint8_t> emf(300);
  for (std::size_t i = 0; i < emf.size(); ++i) emf[i] = std::uint8_t(i * 7);
  cWmf w;
  w.SetBits(emf);
  ASSERT_TRUE(OpenClipboard());
  EXPECT_TRUE(w.CopyToClipboard());
  CloseClipboard();

  ASSERT_TRUE(wxTheClipboard->Open());
  const wxDataFormat format("image/emf");
  EXPECT_TRUE(wxTheClipboard->IsSupported(format));
  wxCustomDataObject back(format);
  ASSERT_TRUE(wxTheClipboard->GetData(back));
  wxTheClipboard->Close();
  ASSERT_EQ(back.GetSize(), emf.size());
  const auto* data = static_cast<const std::uint8_t*>(back.GetData());
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + back.GetSize()), emf);
  SetClipboardSink(nullptr);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv, false); }
