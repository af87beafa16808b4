#include "app/ShellControls.h"

namespace kvn {

// --- TAutoButton ----------------------------------------------------------------------------

TAutoButton::TAutoButton(TWindow* parent, int resourceId, Callback callback, void* argument)
    : TXButton(false, parent, resourceId, 0, false, false), callback_(callback), argument_(argument) {}

const TResponseTable& TAutoButton::Table() {
  static const TResponseTable table({OnNotifyAtChild<&TAutoButton::BnClickedCallback>(kBnClicked)},
                                    {&TXButton::Table()});
  return table;
}

bool TAutoButton::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoButton::BnClickedCallback() {
  if (callback_) callback_(argument_);
}

}  // namespace kvn
