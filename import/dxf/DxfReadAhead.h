// Groups of a DXF file read ahead on a thread of their own while the section
// loop dispatches the ones read before: splitting the lines and parsing the
// numbers of a large text file took about a third of its open. The thread
// reads the groups in file order into batches (codes, typed values, the
// texts' bytes), handed over through a short queue; the loop takes them in
// the same order and appends them to its record exactly as the group reader
// would, so the records, and everything built from them, do not change.
//
// While the reading thread runs it alone uses the stream; it stops at the
// first group that cannot be read (the end of the input, damage) or when
// the reader is destroyed, which waits for it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "import/dxf/DxfReader.h"

namespace kvn {

class DxfReadAhead {
 public:
  static constexpr std::uint32_t kBatchGroups = 4096;

  // `binary`: the stream stands after the binary sentinel. The thread starts
  // at once; Started() tells whether it could.
  DxfReadAhead(InFileStream& in, bool binary, bool oneByteCodes, std::uint32_t batchGroups = kBatchGroups);
  ~DxfReadAhead();
  DxfReadAhead(const DxfReadAhead&) = delete;
  DxfReadAhead& operator=(const DxfReadAhead&) = delete;

  // False when no thread could be started: nothing was read, and the
  // caller reads the stream itself.
  bool Started() const { return thread_.joinable(); }
  // As DxfGroupReader::ReadGroup, except that `value` is empty for numbers.
  bool ReadGroup(int& code, YxxfGroupRecord& record, std::string_view& value, bool* unreadable = nullptr);
  // No group is left to read (the next read fails).
  bool AtEnd();
  // Where the stream stood when the groups now being taken were read.
  std::uint64_t Position() const { return current_ ? current_->position : 0; }

  // The number of groups in a batch; 0 (or more than the limit) gives the
  // default.
  static std::uint32_t BatchGroupsFor(std::uint32_t asked);

 private:
  struct Entry {
    std::uint16_t code = 0;
    DxfGroup::Kind kind = DxfGroup::Kind::None;
    bool unreadable = false;
    // Text: its bytes at `offset` in the batch's bytes.
    std::uint32_t length = 0;
    union {
      std::int32_t integer;
      double real;
      std::uint64_t offset;
    } value{.offset = 0};
  };
  struct Batch {
    std::vector<Entry> groups;
    std::string bytes;
    std::uint64_t position = 0;
    // No group follows this batch's last one.
    bool last = false;
  };

  void Produce(bool binary, bool oneByteCodes);
  // The next batch of the queue (the one taken before goes back for
  // reuse); false when the batch taken was the last.
  bool NextBatch();

  InFileStream& in_;
  const std::uint32_t batchGroups_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Read and not yet taken, in file order; taken and free for reuse; how
  // many exist (at most kBatches).
  static constexpr std::uint32_t kBatches = 4;
  std::deque<std::unique_ptr<Batch>> full_;
  std::vector<std::unique_ptr<Batch>> spare_;
  std::uint32_t made_ = 0;
  bool stop_ = false;
  std::unique_ptr<Batch> current_;
  std::size_t next_ = 0;
  std::thread thread_;
};

}  // namespace kvn
