#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/file.h"

namespace varek::platform {

namespace {

constexpr int kLockAttempts = 100;
constexpr long kLockRetryNs = 5'000'000;  // 5 ms between attempts: 0.5 s at most

bool lockWithinBound(int fd) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    timespec pause{0, kLockRetryNs};
    nanosleep(&pause, nullptr);
  }
  return false;
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
