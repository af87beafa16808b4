// Window handles and the posted-message queue of the GUI thread.
//
// Handles: every TWindow with a toolkit window has a handle from this
// registry; a handle is never given out twice, so GetWindowPtr of a handle
// whose window has gone answers null, and a message posted to it is dropped.
//
// Queue: PostMessage appends here and returns at once; the application's
// loop dispatches the queue in order, a round at a time (what is posted while
// a round runs waits for the next round, so a handler that posts to itself
// cannot starve the toolkit's own events). A quit request is kept apart and
// seen only once the queue is empty, as WM_QUIT is. The queue itself needs no
// display; the application installs a wake hook that schedules a round in the
// toolkit's loop.
#pragma once

#include <cstddef>
#include <deque>

#include "platform/ui/Messages.h"

namespace kvn {

class TWindow;

THandle RegisterWindowHandle(TWindow* window);
void UnregisterWindowHandle(THandle handle);
// The window of a live handle; null for null, unknown or gone handles.
TWindow* GetWindowPtr(THandle handle);

class MessageQueue {
 public:
  using WakeHook = void (*)();

  static MessageQueue& Instance();

  // False for a null handle (PostMessage needs a window here; thread
  // messages are not used by the program).
  bool Post(const TMsg& msg);
  // The oldest message, removed with the flag. False when the queue is empty.
  bool Peek(TMsg& out, bool remove);
  // Removes every message of the window (used when it is destroyed).
  void RemoveMessagesOf(THandle window);
  std::size_t Size() const { return queue_.size(); }

  // Dispatches the messages queued before the call; returns how many ran.
  std::size_t DispatchRound();

  // PostQuitMessage: the loop ends once the queue is empty.
  void PostQuit(int status);
  bool QuitPending() const { return quitPending_; }
  int QuitStatus() const { return quitStatus_; }
  // Takes the pending quit away (a loop that peeked it and puts it back later).
  bool TakeQuit(int& status);

  void SetWakeHook(WakeHook hook) { wake_ = hook; }
  void Clear();

 private:
  void Wake() const {
    if (wake_) wake_();
  }

  std::deque<TMsg> queue_;
  bool quitPending_ = false;
  int quitStatus_ = 0;
  WakeHook wake_ = nullptr;
};

bool PostMessage(THandle window, std::uint32_t msg, TParam1 wParam = 0, TParam2 lParam = 0);
// Runs the window's handler now; 0 for a gone window.
TResult SendMessage(THandle window, std::uint32_t msg, TParam1 wParam = 0, TParam2 lParam = 0);
void PostQuitMessage(int status);

}  // namespace kvn
