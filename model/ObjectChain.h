// ObjectChain: an owned chain of drawing objects linked through their next
// pointers. Deletion walks the chain iteratively, so a chain of millions of
// objects never recurses.
#pragma once

#include <cstddef>
#include <utility>

namespace kvn {

class cOutObj;

// Deletes every object of a chain (null is ignored).
void DeleteChain(cOutObj* head);

class ObjectChain {
 public:
  ObjectChain() = default;
  // Takes ownership of the chain starting at head.
  explicit ObjectChain(cOutObj* head);
  ~ObjectChain() { DeleteChain(head_); }
  ObjectChain(const ObjectChain&) = delete;
  ObjectChain& operator=(const ObjectChain&) = delete;
  ObjectChain(ObjectChain&& other) noexcept
      : head_(std::exchange(other.head_, nullptr)), tail_(std::exchange(other.tail_, nullptr)) {}
  ObjectChain& operator=(ObjectChain&& other) noexcept {
    if (this != &other) {
      DeleteChain(head_);
      head_ = std::exchange(other.head_, nullptr);
      tail_ = std::exchange(other.tail_, nullptr);
    }
    return *this;
  }

  cOutObj* Head() const { return head_; }
  bool Empty() const { return head_ == nullptr; }
  explicit operator bool() const { return head_ != nullptr; }
  std::size_t Count() const;

  // Appends one object (its next link is cleared) and takes ownership.
  void Append(cOutObj* object);
  // Moves every object of the other chain to the end of this one.
  void AppendChain(ObjectChain&& other);
  // Gives up ownership of the whole chain.
  cOutObj* Release() {
    tail_ = nullptr;
    return std::exchange(head_, nullptr);
  }
  void Clear() {
    DeleteChain(head_);
    head_ = tail_ = nullptr;
  }

 private:
  cOutObj* Tail();

  cOutObj* head_ = nullptr;
  cOutObj* tail_ = nullptr;  // cached end; found by walking when null
};

}  // namespace kvn
