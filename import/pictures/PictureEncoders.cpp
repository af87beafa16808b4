#include "import/pictures/PictureEncoders.h"

#include <cstring>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/OutFileStream.h"
#include "foundation/TextFormat.h"
#include "foundation/WaitCursor.h"
#include "model/PictureServices.h"

namespace kvn {

std::unique_ptr<ByteArray> EncodeDibToMemory(const cMsgDlg* parent, const TDib& dib, const TDib* alphaMask,
                                             PictureContainer container, int* error) {
  int code = 0;
  std::vector<std::uint8_t> encoded;
  auto bytes = std::make_unique<ByteArray>();
  if (!EncodeDibAsContainer(dib, alphaMask, container, &encoded)) {
    code = kEncodeErrorEncoder;
  } else if (encoded.empty() || encoded.size() > 0xFFFFFFFFu) {
    code = kEncodeErrorRead;
  } else {
    bytes->Append(encoded.data(), std::uint32_t(encoded.size()));
  }
  if (error) *error = code;
  if (code == 0) return bytes;
  if (parent) ShowMessageBox(parent, FormatPercentD(WString(u"GdiPlus error #%d"), code), nullptr, kMbOk | kMbIconError);
  return nullptr;
}

std::unique_ptr<ByteArray> EncodePngToMemory(const cMsgDlg* parent, const TDib& dib, const TDib* alphaMask) {
  WaitCursor wait;
  return EncodeDibToMemory(parent, dib, alphaMask, PictureContainer::kPng);
}

bool EncodeDibToFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask,
                     PictureContainer container) {
  WaitCursor wait;
  std::unique_ptr<ByteArray> bytes = EncodeDibToMemory(parent, dib, alphaMask, container);
  if (!bytes) {
    if (parent) {
      WString text = LoadLangString(kStrCannotSaveFile);
      text.AppendChar(u'\n');
      text.Append(fileName);
      ShowMessageBox(parent, text, nullptr, kMbOk | kMbIconError);
    }
    return false;
  }
  OutFileStream out(fileName, true);
  if (!out.CheckOpen(const_cast<cMsgDlg*>(parent))) return false;
  out.Write(bytes->Items(), bytes->Count());
  return out.Flush(const_cast<cMsgDlg*>(parent));
}

bool EncodeDibAsPngFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask) {
  if (dib.BitCount() == 24) return EncodeDibToFile(parent, fileName, dib, alphaMask, PictureContainer::kPng);
  std::unique_ptr<TDib> wide = GetPictureServices().ConvertDibBitCount(dib, 24, nullptr);
  if (!wide) return EncodeDibToFile(parent, fileName, TDib(), alphaMask, PictureContainer::kPng);
  return EncodeDibToFile(parent, fileName, *wide, alphaMask, PictureContainer::kPng);
}

bool EncodeDibAsTiffFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask) {
  return EncodeDibToFile(parent, fileName, dib, alphaMask, PictureContainer::kTiff);
}

}  // namespace kvn
