#include "platform/ui/MessageQueue.h"

#include <cstdint>
#include <unordered_map>

#include "platform/ui/Window.h"

namespace kvn {

namespace {

struct HandleRegistry {
  std::unordered_map<THandle, TWindow*> windows;
  // Handles count up from here in steps of 4, so that they look like the
  // aligned pointers that Win32 handles are and never collide with small ids.
  std::uintptr_t next = 0x10000;
};

HandleRegistry& Registry() {
  static HandleRegistry registry;
  return registry;
}

}  // namespace

THandle RegisterWindowHandle(TWindow* window) {
  HandleRegistry& r = Registry();
  auto handle = reinterpret_cast<THandle>(r.next);
  r.next += 4;
  r.windows[handle] = window;
  return handle;
}

void UnregisterWindowHandle(THandle handle) {
  Registry().windows.erase(handle);
  MessageQueue::Instance().RemoveMessagesOf(handle);
}

TWindow* GetWindowPtr(THandle handle) {
  if (handle == nullptr) return nullptr;
  HandleRegistry& r = Registry();
  auto it = r.windows.find(handle);
  return it == r.windows.end() ? nullptr : it->second;
}

MessageQueue& MessageQueue::Instance() {
  static MessageQueue queue;
  return queue;
}

bool MessageQueue::Post(const TMsg& msg) {
  if (msg.window == nullptr) return false;
  queue_.push_back(msg);
  Wake();
  return true;
}

bool MessageQueue::Peek(TMsg& out, bool remove) {
  if (queue_.empty()) return false;
  out = queue_.front();
  if (remove) queue_.pop_front();
  return true;
}

void MessageQueue::RemoveMessagesOf(THandle window) {
  std::erase_if(queue_, [window](const TMsg& m) { return m.window == window; });
}

std::size_t MessageQueue::DispatchRound() {
  std::size_t count = queue_.size();
  std::size_t ran = 0;
  for (; ran < count && !queue_.empty(); ++ran) {
    TMsg msg = queue_.front();
    queue_.pop_front();
    // A handler may destroy windows, and with them their queued messages,
    // so the count is an upper bound and the queue is asked again each time.
    if (TWindow* window = GetWindowPtr(msg.window)) window->HandleMessage(msg.message, msg.wParam, msg.lParam);
  }
  return ran;
}

void MessageQueue::PostQuit(int status) {
  quitPending_ = true;
  quitStatus_ = status;
  Wake();
}

bool MessageQueue::TakeQuit(int& status) {
  if (!quitPending_) return false;
  status = quitStatus_;
  quitPending_ = false;
  return true;
}

void MessageQueue::Clear() {
  queue_.clear();
  quitPending_ = false;
  quitStatus_ = 0;
}

bool PostMessage(THandle window, std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  if (GetWindowPtr(window) == nullptr) return false;
  return MessageQueue::Instance().Post(TMsg{window, msg, wParam, lParam});
}

TResult SendMessage(THandle window, std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  TWindow* target = GetWindowPtr(window);
  return target ? target->HandleMessage(msg, wParam, lParam) : 0;
}

void PostQuitMessage(int status) { MessageQueue::Instance().PostQuit(status); }

}  // namespace kvn
