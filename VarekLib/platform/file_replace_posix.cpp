#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/file.h"

namespace varek::platform {

namespace {

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

bool writeSpan(int fd, const FileSpan& span) {
  const auto* bytes = static_cast<const char*>(span.data);
  size_t done = 0;
  while (done < span.size) {
    ssize_t n = write(fd, bytes + done, span.size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool writeSpans(int fd, const FileSpan* spans, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (!writeSpan(fd, spans[i])) return false;
  // The data must be on the disk before the name points at them, or a crash
  // could leave an empty file where the old one stood.
  return fsync(fd) == 0;
}

}  // namespace

FileWriteStatus replaceFileWhole(const char* path, const FileSpan* spans, size_t count) {
  if (path == nullptr || *path == '\0') return FileWriteStatus::OpenFailed;
  std::string temporaryName;
  int fd = createTemporaryBeside(path, temporaryName);
  if (fd < 0) return FileWriteStatus::OpenFailed;
  const bool written = writeSpans(fd, spans, count);
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    unlink(temporaryName.c_str());
    return FileWriteStatus::ShortWrite;
  }
  if (std::rename(temporaryName.c_str(), path) != 0) {
    unlink(temporaryName.c_str());
    return FileWriteStatus::OpenFailed;
  }
  return FileWriteStatus::Written;
}

}  // namespace varek::platform
