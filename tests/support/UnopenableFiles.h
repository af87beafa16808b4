// Names a user may give as a drawing that are no file to read (a named pipe,
// a socket, a link to a device or to itself, a file without read
// permission), and the guards that keep tests of them bounded and
// meaningful: a watchdog that frees an open waiting on a pipe, and the
// permissions made to count for a test run as root.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace kvn::test {

inline bool MakePipe(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

// A maker of a symbolic link to `target` (a loop when it names the link itself).
inline auto LinkTo(std::string target) {
  return [target = std::move(target)](const std::filesystem::path& path) {
    return ::symlink(target.c_str(), path.c_str()) == 0;
  };
}

// A Unix socket bound at `path`; the socket is closed again, its name stays.
inline bool MakeSocket(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = path.string();
  if (name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

// Watches a named pipe while alive (any other name is left alone). An open
// of the pipe to read waits for a writer; should anything still wait on it
// after `limit`, the watchdog opens and closes the pipe's writing end, again
// and again until it dies, so that such an open returns (with no bytes) and
// the test fails on what it answered rather than hanging.
class PipeWatchdog {
 public:
  PipeWatchdog(std::filesystem::path pipe, std::chrono::milliseconds limit)
      : pipe_(std::move(pipe)), thread_([this, limit] { Run(limit); }) {}
  ~PipeWatchdog() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;

  // Whether an open had to be freed.
  bool Fired() const { return fired_; }

 private:
  void Run(std::chrono::milliseconds limit) {
    // Nothing else is ever opened to write.
    struct stat st {};
    if (::stat(pipe_.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) return;
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, limit, [this] { return stop_; })) return;
    while (!stop_) {
      // Fails (ENXIO) while nobody has the pipe open to read.
      const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        fired_ = true;
        ::close(fd);
      }
      wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; });
    }
  }

  std::filesystem::path pipe_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

// While alive, the calling thread is held to files' permissions even when
// it runs as root: root's overriding of them (CAP_DAC_OVERRIDE,
// CAP_DAC_READ_SEARCH) is taken out of the thread's effective capabilities
// and given back afterwards. Holds() is false when that could not be done.
class PermissionsHold {
 public:
  PermissionsHold() {
    if (::geteuid() != 0) {
      holds_ = true;
      return;
    }
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2];
    std::memcpy(lowered, saved_, sizeof lowered);
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    holds_ = lowered_;
  }
  ~PermissionsHold() {
    if (lowered_) ::syscall(SYS_capset, &header_, saved_);
  }
  PermissionsHold(const PermissionsHold&) = delete;
  PermissionsHold& operator=(const PermissionsHold&) = delete;

  bool Holds() const { return holds_; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool lowered_ = false;
  bool holds_ = false;
};

}  // namespace kvn::test
