#include "import/dxf/DxfReadAhead.h"

#include <system_error>

#include "foundation/InFileStream.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

std::uint32_t DxfReadAhead::BatchGroupsFor(std::uint32_t asked) {
  return asked == 0 || asked > kBatchGroups ? kBatchGroups : asked;
}

DxfReadAhead::DxfReadAhead(InFileStream& in, bool binary, bool oneByteCodes, std::uint32_t batchGroups)
    : in_(in), batchGroups_(BatchGroupsFor(batchGroups)) {
  try {
    thread_ = std::thread([this, binary, oneByteCodes] { Produce(binary, oneByteCodes); });
  } catch (const std::system_error&) {
    // No thread: Started() says so and the caller reads by itself.
  }
}

DxfReadAhead::~DxfReadAhead() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void DxfReadAhead::Produce(bool binary, bool oneByteCodes) {
  DxfGroupReader groups(in_, binary, oneByteCodes);
  DxfGroup group;
  bool last = false;
  while (!last) {
    std::unique_ptr<Batch> batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || !spare_.empty() || made_ < kBatches; });
      if (stop_) return;
      if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
      } else {
        ++made_;
      }
    }
    if (!batch) {
      batch = std::make_unique<Batch>();
      batch->groups.reserve(batchGroups_);
    }
    batch->groups.clear();
    batch->bytes.clear();
    batch->position = in_.Position();
    while (batch->groups.size() < batchGroups_) {
      if (!groups.Next(group)) {
        last = true;
        break;
      }
      Entry entry;
      entry.code = std::uint16_t(group.code);
      entry.kind = group.kind;
      entry.unreadable = group.unreadable;
      switch (group.kind) {
        case DxfGroup::Kind::Int:
          entry.value.integer = group.integer;
          break;
        case DxfGroup::Kind::Double:
          entry.value.real = group.real;
          break;
        case DxfGroup::Kind::Text:
          entry.value.offset = batch->bytes.size();
          entry.length = std::uint32_t(group.text.size());
          batch->bytes.append(group.text);
          break;
        case DxfGroup::Kind::None:
          break;
      }
      batch->groups.push_back(entry);
    }
    batch->last = last;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
      full_.push_back(std::move(batch));
    }
    changed_.notify_all();
  }
}

bool DxfReadAhead::NextBatch() {
  if (current_ && current_->last) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (current_) spare_.push_back(std::move(current_));
  changed_.notify_all();
  changed_.wait(lock, [&] { return !full_.empty(); });
  current_ = std::move(full_.front());
  full_.pop_front();
  next_ = 0;
  return true;
}

bool DxfReadAhead::AtEnd() {
  while (!current_ || next_ == current_->groups.size()) {
    if (!NextBatch()) return true;
  }
  return false;
}

bool DxfReadAhead::ReadGroup(int& code, YxxfGroupRecord& record, std::string_view& value, bool* unreadable) {
  if (AtEnd()) return false;
  const Entry& entry = current_->groups[next_++];
  DxfGroup group;
  group.code = entry.code;
  group.kind = entry.kind;
  switch (entry.kind) {
    case DxfGroup::Kind::Int:
      group.integer = entry.value.integer;
      break;
    case DxfGroup::Kind::Double:
      group.real = entry.value.real;
      break;
    case DxfGroup::Kind::Text:
      group.text = std::string_view(current_->bytes).substr(entry.value.offset, entry.length);
      break;
    case DxfGroup::Kind::None:
      break;
  }
  AddDxfGroup(group, record);
  code = group.code;
  value = group.text;
  if (unreadable) *unreadable = entry.unreadable;
  return true;
}

}  // namespace kvn
