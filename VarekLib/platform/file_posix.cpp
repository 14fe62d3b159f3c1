#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform/file.h"

namespace varek::platform {

namespace {

constexpr int64_t kLockWaitNs = 500'000'000;  // give up on a lock held longer than this
constexpr long kFirstPauseNs = 100'000;       // pauses grow from 0.1 ms ...
constexpr long kLongestPauseNs = 5'000'000;   // ... to 5 ms between attempts

int64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// flock has no timed form, so a busy lock is retried after short sleeps until
// the bound has passed. Entries are small and held for microseconds, so a
// waiting writer gets its turn long before the bound.
bool lockWithinBound(int fd) {
  const int64_t deadline = monotonicNs() + kLockWaitNs;
  long pauseNs = kFirstPauseNs;
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    const int64_t left = deadline - monotonicNs();
    if (left <= 0) return false;
    timespec pause{0, static_cast<long>(left < pauseNs ? left : pauseNs)};
    nanosleep(&pause, nullptr);
    pauseNs = pauseNs * 2 < kLongestPauseNs ? pauseNs * 2 : kLongestPauseNs;
  }
}

bool writeAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

FileWriteStatus appendToFileExclusive(const char* name, const char* data, size_t size) {
  int fd = open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return FileWriteStatus::OpenFailed;
  if (!lockWithinBound(fd)) {
    close(fd);
    return FileWriteStatus::OpenFailed;
  }
  bool complete = writeAll(fd, data, size);
  close(fd);  // also releases the lock
  return complete ? FileWriteStatus::Written : FileWriteStatus::ShortWrite;
}

}  // namespace varek::platform
