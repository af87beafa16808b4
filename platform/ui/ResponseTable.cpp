#include "platform/ui/ResponseTable.h"

#include "platform/ui/RegisteredMessages.h"

namespace kvn {

TResponseTable::TResponseTable(std::initializer_list<TResponseTableEntry> rows,
                               std::initializer_list<const TResponseTable*> bases)
    : rows_(rows), bases_(bases) {
  // Tables are built on first use, which is after the program's static
  // initialisation registered its names; registering again gives the same ids.
  for (TResponseTableEntry& row : rows_) {
    if (row.registeredName) row.msg = RegisterWindowMessage(row.registeredName);
  }
}

bool TResponseTable::Search(TEventInfo& info) const {
  for (const TResponseTableEntry& row : rows_) {
    if (row.msg != 0 && row.msg == info.msg && row.id == info.id && row.notifyCode == info.notifyCode) {
      info.entry = &row;
      return true;
    }
  }
  for (const TResponseTable* base : bases_) {
    if (base && base->Search(info)) return true;
  }
  return false;
}

bool TEventHandler::Find(TEventInfo&) { return false; }

TResult TEventHandler::Dispatch(const TEventInfo& info, TParam1 wParam, TParam2 lParam) {
  if (info.entry == nullptr || info.entry->dispatcher == nullptr) return 0;
  return info.entry->dispatcher(*this, wParam, lParam);
}

}  // namespace kvn
