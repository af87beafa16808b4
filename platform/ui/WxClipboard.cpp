#include "platform/ui/WxClipboard.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include "platform/gdi/Clipboard.h"

namespace kvn {

namespace {

class WxClipboardSink final : public ClipboardSink {
 public:
  bool Open() override { return wxTheClipboard->Open(); }
  void Close() override {
    // The desktop asks us for the data after we return: keep it available
    // once the program lets go of the clipboard.
    wxTheClipboard->Flush();
    wxTheClipboard->Close();
  }
  bool SetData(unsigned format, const std::uint8_t* data, std::size_t size) override {
    if (format != kCfEnhMetafile) return false;
    auto* object = new wxCustomDataObject(wxDataFormat("image/emf"));
    object->SetData(size, data);
    return wxTheClipboard->SetData(object);  // the clipboard owns it
  }
};

}  // namespace

void InstallWxClipboard() {
  static WxClipboardSink sink;
  SetClipboardSink(&sink);
}

}  // namespace kvn
