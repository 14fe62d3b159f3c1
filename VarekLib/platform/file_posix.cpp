#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/clock.h"
#include "platform/file.h"

namespace varek::platform {

namespace {

constexpr MonotonicTime kLockWaitMs = 500;   // give up on a lock held longer than this
constexpr long kFirstPauseNs = 100'000;      // pauses grow from 0.1 ms ...
constexpr long kLongestPauseNs = 5'000'000;  // ... to 5 ms between attempts

// flock has no timed form, so a busy lock is retried after short sleeps until
// the bound has passed. Entries are small and held for microseconds, so a
// waiting writer gets its turn long before the bound.
bool lockWithinBound(int fd) {
  const MonotonicTime deadline = monotonicNowMs() + kLockWaitMs;
  long pauseNs = kFirstPauseNs;
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    const int64_t left = (deadline - monotonicNowMs()) * 1'000'000;
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

constexpr int kNameAttempts = 16;

// Opens a file of a name nobody else uses, in the directory of `path`, so the
// final rename stays within one file system and is atomic.
int createTemporaryBeside(const std::string& path, std::string& temporaryName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporaryName = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    int fd = open(temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool writeSpans(int fd, const FileSpan* spans, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (!writeAll(fd, static_cast<const char*>(spans[i].data), spans[i].size)) return false;
  return true;
}

// A device, pipe or socket cannot be replaced by renaming; it is written to
// as it is. Without waiting: a pipe nobody reads fails to open, and one that
// cannot take the whole picture (a pipe holds far more) gives a short write.
FileWriteStatus writeInPlace(const char* path, const FileSpan* spans, size_t count) {
  int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileWriteStatus::OpenFailed;
  const bool written = writeSpans(fd, spans, count);
  const bool closed = close(fd) == 0;
  return written && closed ? FileWriteStatus::Written : FileWriteStatus::ShortWrite;
}

FileWriteStatus replaceRegularFile(const std::string& target, const struct stat* existing,
                                   const FileSpan* spans, size_t count) {
  std::string temporaryName;
  int fd = createTemporaryBeside(target, temporaryName);
  if (fd < 0) return FileWriteStatus::OpenFailed;
  // The new file keeps the permissions of the one it replaces. The data must
  // be on the disk before the name points at them, or a crash could leave an
  // empty file where the old one stood.
  const bool written = (existing == nullptr || fchmod(fd, existing->st_mode & 07777) == 0) &&
                       writeSpans(fd, spans, count) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    unlink(temporaryName.c_str());
    return FileWriteStatus::ShortWrite;
  }
  if (std::rename(temporaryName.c_str(), target.c_str()) != 0) {
    unlink(temporaryName.c_str());
    return FileWriteStatus::OpenFailed;
  }
  return FileWriteStatus::Written;
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

FileWriteStatus replaceFileWhole(const char* path, const FileSpan* spans, size_t count) {
  if (path == nullptr || *path == '\0') return FileWriteStatus::OpenFailed;
  struct stat existing {};
  if (stat(path, &existing) != 0) {
    if (errno != ENOENT) return FileWriteStatus::OpenFailed;
    return replaceRegularFile(path, nullptr, spans, count);
  }
  if (S_ISDIR(existing.st_mode)) return FileWriteStatus::OpenFailed;
  if (!S_ISREG(existing.st_mode)) return writeInPlace(path, spans, count);
  // A symbolic link stays; the file it leads to is replaced.
  char* resolved = realpath(path, nullptr);
  if (resolved == nullptr) return FileWriteStatus::OpenFailed;
  const std::string target(resolved);
  std::free(resolved);
  return replaceRegularFile(target, &existing, spans, count);
}

}  // namespace varek::platform
