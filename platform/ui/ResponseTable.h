// Response tables: how a window finds the handler of a message.
//
// Every class that handles messages owns one static table of explicit rows
// {message or command id, notification code, handler} plus the list of its
// bases' tables. A look-up searches the class's own rows first, then each
// base's table in the order given, depth first: so a derived class's row
// hides the same row of a base, and of two mixins the first named wins.
// There is no catch-all row; a message no row names goes to the window's
// default processing.
//
// Rows are made by small functions that check the handler's signature at
// compile time against the message it is bound to:
//   OnCommand<&C::CmExit>(24310)                 void C::CmExit()
//   OnCommandAndId<&C::CmZoom>(15750)            void C::CmZoom(uint32_t id)
//   OnCommandEnable<&C::CeClose>(19570)          void C::CeClose(TCommandEnabler&)
//   OnChildNotify<&C::EvSelChange>(2000, 1)      void C::EvSelChange()
//   OnMessage<kWmSize, &C::EvSize>()             by the message's cracker below
//   OnRaw<&C::EvThemeChanged>(kWmThemeChanged)   TResult C::H(TParam1, TParam2)
//   OnRegistered<&C::CmRecentFile>(u"MRUFILEMESSAGE")  TResult C::H(TParam1, TParam2)
// A registered row names its message; the table resolves the name once,
// when it is built (RegisterWindowMessage gives every name the same id for
// the life of the process).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/ui/Messages.h"

namespace kvn {

class TCommandEnabler;
class TEventHandler;
class TDropInfo;

using TDispatcher = TResult (*)(TEventHandler& object, TParam1 wParam, TParam2 lParam);

struct TResponseTableEntry {
  std::uint32_t msg = 0;         // kWmCommand for commands, kWmCommandEnable for enablers
  std::uint32_t id = 0;          // command or control id; 0 for other messages
  std::uint32_t notifyCode = 0;  // a control's notification; 0 for menus, accelerators, BN_CLICKED
  TDispatcher dispatcher = nullptr;
  const char16_t* registeredName = nullptr;  // resolved into msg by the table
};

// What a look-up is asked for and what it found.
struct TEventInfo {
  TEventInfo(std::uint32_t message, std::uint32_t commandId = 0, std::uint32_t notify = 0)
      : msg(message), id(commandId), notifyCode(notify) {}
  std::uint32_t msg;
  std::uint32_t id;
  std::uint32_t notifyCode;
  const TResponseTableEntry* entry = nullptr;
};

class TResponseTable {
 public:
  TResponseTable(std::initializer_list<TResponseTableEntry> rows, std::initializer_list<const TResponseTable*> bases);
  // Own rows, then each base's table; sets info.entry when found.
  bool Search(TEventInfo& info) const;
  const std::vector<TResponseTableEntry>& Rows() const { return rows_; }

 private:
  std::vector<TResponseTableEntry> rows_;
  std::vector<const TResponseTable*> bases_;
};

// Anything that has a response table: windows, the application and mixins.
// Derived classes with a table override Find with `return Table().Search(info);`.
class TEventHandler {
 public:
  virtual ~TEventHandler() = default;
  virtual bool Find(TEventInfo& info);
  // Runs the row Find chose on this object.
  TResult Dispatch(const TEventInfo& info, TParam1 wParam, TParam2 lParam);
};

// --- row makers ------------------------------------------------------------------------
namespace response_detail {

template <class M>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  using Class = C;
};

// The handler's object; null when a row of another class's table is run on
// an object that is not of that class (not reachable through Find).
template <auto H>
auto* Object(TEventHandler& h) {
  return dynamic_cast<typename MemberOf<decltype(H)>::Class*>(&h);
}

template <auto H>
TResult CommandThunk(TEventHandler& h, TParam1, TParam2) {
  if (auto* o = Object<H>(h)) (o->*H)();
  return 0;
}
template <auto H>
TResult CommandAndIdThunk(TEventHandler& h, TParam1 w, TParam2) {
  if (auto* o = Object<H>(h)) (o->*H)(std::uint32_t(LoWord(w)));
  return 0;
}
template <auto H>
TResult EnablerThunk(TEventHandler& h, TParam1, TParam2 l) {
  if (auto* o = Object<H>(h); o && l) (o->*H)(*reinterpret_cast<TCommandEnabler*>(l));
  return 0;
}
template <auto H>
TResult RawThunk(TEventHandler& h, TParam1 w, TParam2 l) {
  if (auto* o = Object<H>(h)) return (o->*H)(w, l);
  return 0;
}

}  // namespace response_detail

// How a message's parameters reach its handler: each message that the
// program's windows handle by name belongs to a family with one parameter
// shape; others use OnRaw.
enum class MessageFamily {
  None,        // no cracker: OnMessage does not compile
  Mouse,       // void (uint32_t modKeys, const TPoint& clientPoint)
  Key,         // void (uint32_t key, uint32_t repeatCount, uint32_t flags): flags are
               //   the high word of lParam (bit 14 "was down", bit 8 "extended")
  Void,        // void ()
  Handle,      // void (THandle other): WM_SETFOCUS's lost / WM_KILLFOCUS's new focus
  Capture,     // void (THandle newCapture), lParam as in Win32
  Size,        // void (uint32_t sizeType, const TSize& clientSize)
  Move,        // void (const TPoint& clientOrigin)
  Wheel,       // bool (uint32_t modKeys, int zDelta, const TPoint& screenPoint)
  Erase,       // bool (TParam1 hdc): true when the background counts as erased
  SetCursor,   // bool (THandle window, uint32_t hitTest, uint32_t mouseMsg): true when set
  Timer,       // void (uint32_t timerId)
  Scroll,      // void (uint32_t scrollCode, uint32_t thumbPos, THandle scrollBar)
  MinMax,      // void (TMinMaxInfo&)
  DropFiles,   // void (TDropInfo&)
  Help,        // void (const THelpInfo&)
  Notify,      // TResult (uint32_t id, TNotify& header)
  Enable,      // void (bool enabled)
  ShowWindow,  // void (bool show, uint32_t status)
};

constexpr MessageFamily FamilyOf(std::uint32_t msg) {
  if (msg >= kWmMouseMove && msg <= kWmMButtonDblClk) return MessageFamily::Mouse;
  switch (msg) {
    case kWmKeyDown: case kWmKeyUp: case kWmSysKeyDown: case kWmSysKeyUp: case kWmChar:
      return MessageFamily::Key;
    case kWmPaint: case kWmClose: case kWmDestroy: case kWmCancelMode: case kWmMouseLeave: case kWmThemeChanged:
      return MessageFamily::Void;
    case kWmSetFocus: case kWmKillFocus: return MessageFamily::Handle;
    case kWmCaptureChanged: return MessageFamily::Capture;
    case kWmSize: return MessageFamily::Size;
    case kWmMove: return MessageFamily::Move;
    case kWmMouseWheel: return MessageFamily::Wheel;
    case kWmEraseBkgnd: return MessageFamily::Erase;
    case kWmSetCursor: return MessageFamily::SetCursor;
    case kWmTimer: return MessageFamily::Timer;
    case kWmHScroll: case kWmVScroll: return MessageFamily::Scroll;
    case kWmGetMinMaxInfo: return MessageFamily::MinMax;
    case kWmDropFiles: return MessageFamily::DropFiles;
    case kWmHelp: return MessageFamily::Help;
    case kWmNotify: return MessageFamily::Notify;
    case kWmEnable: return MessageFamily::Enable;
    case kWmShowWindow: return MessageFamily::ShowWindow;
    default: return MessageFamily::None;
  }
}

template <MessageFamily F>
struct FamilyCracker;

template <>
struct FamilyCracker<MessageFamily::Mouse> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    (o.*h)(std::uint32_t(w), PointFromParam(l));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Key> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    (o.*h)(std::uint32_t(w), std::uint32_t(LoWord(std::uintptr_t(l))), std::uint32_t(HiWord(std::uintptr_t(l))));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Void> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1, TParam2) {
    (o.*h)();
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Handle> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2) {
    (o.*h)(reinterpret_cast<THandle>(w));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Capture> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1, TParam2 l) {
    (o.*h)(reinterpret_cast<THandle>(l));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Size> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    (o.*h)(std::uint32_t(w), TSize{LoWord(std::uintptr_t(l)), HiWord(std::uintptr_t(l))});
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Move> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1, TParam2 l) {
    (o.*h)(PointFromParam(l));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Wheel> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    return (o.*h)(std::uint32_t(LoWord(w)), int(std::int16_t(HiWord(w))), PointFromParam(l)) ? 1 : 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Erase> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2) {
    return (o.*h)(w) ? 1 : 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::SetCursor> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    return (o.*h)(reinterpret_cast<THandle>(w), std::uint32_t(LoWord(std::uintptr_t(l))),
                  std::uint32_t(HiWord(std::uintptr_t(l))))
               ? 1
               : 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Timer> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2) {
    (o.*h)(std::uint32_t(w));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Scroll> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    (o.*h)(std::uint32_t(LoWord(w)), std::uint32_t(HiWord(w)), reinterpret_cast<THandle>(l));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::MinMax> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1, TParam2 l) {
    if (l) (o.*h)(*reinterpret_cast<TMinMaxInfo*>(l));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::DropFiles> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2) {
    if (w) (o.*h)(*reinterpret_cast<TDropInfo*>(w));
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Help> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1, TParam2 l) {
    if (l) (o.*h)(*reinterpret_cast<const THelpInfo*>(l));
    return 1;
  }
};
template <>
struct FamilyCracker<MessageFamily::Notify> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    return l ? (o.*h)(std::uint32_t(w), *reinterpret_cast<TNotify*>(l)) : 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::Enable> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2) {
    (o.*h)(w != 0);
    return 0;
  }
};
template <>
struct FamilyCracker<MessageFamily::ShowWindow> {
  template <class C, class H>
  static TResult Call(C& o, H h, TParam1 w, TParam2 l) {
    (o.*h)(w != 0, std::uint32_t(l));
    return 0;
  }
};

template <std::uint32_t Msg>
using MessageCracker = FamilyCracker<FamilyOf(Msg)>;

namespace response_detail {
template <std::uint32_t Msg, auto H>
TResult MessageThunk(TEventHandler& h, TParam1 w, TParam2 l) {
  if (auto* o = Object<H>(h)) return MessageCracker<Msg>::Call(*o, H, w, l);
  return 0;
}
}  // namespace response_detail

template <auto H>
constexpr TResponseTableEntry OnCommand(std::uint32_t id) {
  return {kWmCommand, id, 0, &response_detail::CommandThunk<H>, nullptr};
}
template <auto H>
constexpr TResponseTableEntry OnCommandAndId(std::uint32_t id) {
  return {kWmCommand, id, 0, &response_detail::CommandAndIdThunk<H>, nullptr};
}
template <auto H>
constexpr TResponseTableEntry OnCommandEnable(std::uint32_t id) {
  return {kWmCommandEnable, id, 0, &response_detail::EnablerThunk<H>, nullptr};
}
template <auto H>
constexpr TResponseTableEntry OnChildNotify(std::uint32_t id, std::uint32_t notifyCode) {
  return {kWmCommand, id, notifyCode, &response_detail::CommandThunk<H>, nullptr};
}
template <std::uint32_t Msg, auto H>
constexpr TResponseTableEntry OnMessage() {
  return {Msg, 0, 0, &response_detail::MessageThunk<Msg, H>, nullptr};
}
template <auto H>
constexpr TResponseTableEntry OnRaw(std::uint32_t msg) {
  return {msg, 0, 0, &response_detail::RawThunk<H>, nullptr};
}
template <auto H>
constexpr TResponseTableEntry OnRegistered(const char16_t* name) {
  return {0, 0, 0, &response_detail::RawThunk<H>, name};
}

}  // namespace kvn
