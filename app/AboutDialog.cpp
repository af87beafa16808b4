// Built in code until the dialog templates exist; the texts are the
// template's, in the language tables (strings 16436-16439).
#include "app/AboutDialog.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/CommandIds.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "platform/ui/Window.h"
#include "platform/ui/WxText.h"

namespace kvn {

void RunAboutDialog(TWindow& owner) {
  wxDialog box(owner.GetPeer(), wxID_ANY, ToWx(LoadLangString(kStrAboutCaption)));
  auto* column = new wxBoxSizer(wxVERTICAL);
  auto* description = new wxStaticText(&box, wxID_ANY, ToWx(LoadLangString(kStrAboutDescription)));
  description->Wrap(box.FromDIP(420));
  column->Add(description, 0, wxALL, 12);
  // The version line names the build's word size: this port is 64-bit.
  WString version = LoadLangString(kStrVersion);
  version.AppendCStr(sizeof(void*) == 8 ? u" (64-bit)" : u" (32-bit)");
  column->Add(new wxStaticText(&box, 11111, ToWx(FormatPercentS(LoadLangString(kStrAboutVersion), version))), 0,
              wxLEFT | wxRIGHT, 12);
  auto* maker = new wxStaticText(&box, wxID_ANY, ToWx(LoadLangString(kStrAboutMaker)));
  maker->Wrap(box.FromDIP(420));
  column->Add(maker, 0, wxALL, 12);
  auto* ok = new wxButton(&box, wxID_OK, ToWx(LoadLangString(kStrButtonOk)));
  ok->SetDefault();
  column->Add(ok, 0, wxALIGN_RIGHT | wxALL, 8);
  box.SetSizerAndFit(column);
  box.CentreOnParent();
  ModalStack::Push(&owner, nullptr, true);
  box.ShowModal();
  ModalStack::Pop();
}

}  // namespace kvn
