#include "paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

namespace ostrel {

std::string executablePath() {
  std::array<char, PATH_MAX + 1> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  // A result that fills the buffer may have been cut short.
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::optional<std::string> libDirOf(const std::string& executable) {
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return executable.substr(0, slash + 1) + "lib";
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

LibraryDat readLibraryDat(const std::string& libDir) {
  const std::string name = libDir + "/library.dat";
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "re"));
  if (!file) {
    // No file, or no lib directory to hold one, is the ordinary case and not worth a word.
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? LibraryDatState::absent : LibraryDatState::unreadable, {}};
  }

  // One byte more than the limit tells a file of exactly the limit from a longer one.
  std::array<char, kLibraryDatLimit + 1> buffer{};
  const std::size_t length = std::fread(buffer.data(), 1, buffer.size(), file.get());
  if (std::ferror(file.get())) return {LibraryDatState::unreadable, {}};
  if (length > kLibraryDatLimit) return {LibraryDatState::tooLong, {}};
  // The runtime decodes a C string: a zero byte would silently cut the entry short.
  if (std::memchr(buffer.data(), '\0', length) != nullptr)
    return {LibraryDatState::containsNul, {}};
  return {LibraryDatState::usable, std::string(buffer.data(), length)};
}

}  // namespace ostrel
