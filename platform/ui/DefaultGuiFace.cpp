#include "platform/ui/DefaultGuiFace.h"

#include <wx/font.h>
#include <wx/settings.h>

#include "platform/fonts/InstalledFonts.h"

namespace kvn {

void InstallDefaultGuiFaceHook() {
  SetDefaultGuiFaceHook([] {
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    DefaultGuiFace face;
    face.faceName = WString::FromUtf8(font.GetFaceName().utf8_string());
    const bool fixed = font.IsFixedWidth();
    face.pitchAndFamily = fixed ? 0x31 : font.GetFamily() == wxFONTFAMILY_ROMAN ? 0x12 : 0x22;
    return face;
  });
}

}  // namespace kvn
