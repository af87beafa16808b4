#include "model/ObjectChain.h"

#include "model/cOutObj.h"

namespace kvn {

void DeleteChain(cOutObj* head) {
  while (head) {
    cOutObj* next = head->next;
    delete head;
    head = next;
  }
}

ObjectChain::ObjectChain(cOutObj* head) : head_(head) {}

std::size_t ObjectChain::Count() const {
  std::size_t n = 0;
  for (const cOutObj* o = head_; o; o = o->next) ++n;
  return n;
}

cOutObj* ObjectChain::Tail() {
  if (!tail_ && head_) {
    tail_ = head_;
    while (tail_->next) tail_ = tail_->next;
  }
  return tail_;
}

void ObjectChain::Append(cOutObj* object) {
  if (!object) return;
  object->next = nullptr;
  if (cOutObj* tail = Tail()) {
    tail->next = object;
  } else {
    head_ = object;
  }
  tail_ = object;
}

void ObjectChain::AppendChain(ObjectChain&& other) {
  cOutObj* otherTail = other.Tail();
  cOutObj* otherHead = other.Release();
  if (!otherHead) return;
  if (cOutObj* tail = Tail()) {
    tail->next = otherHead;
  } else {
    head_ = otherHead;
  }
  tail_ = otherTail;
}

}  // namespace kvn
