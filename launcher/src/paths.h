// Where the frozen application lives: the program's own directory and the "lib" beside it.
#pragma once

#include <optional>
#include <string>

namespace ostrel {

// Longest "library.dat" accepted, in bytes; a longer file is not a search path entry.
inline constexpr std::size_t kLibraryDatLimit = 1024;

// Real path of the running program (symbolic links resolved), from /proc/self/exe: never argv[0]
// or the current directory, which the caller controls. Empty when it cannot be read.
std::string executablePath();

// The "lib" directory beside the program at `executable`; nothing when the path has no slash.
std::optional<std::string> libDirOf(const std::string& executable);

// True when `path` names an existing directory.
bool isDirectory(const std::string& path);

enum class LibraryDatState { absent, usable, unreadable, tooLong, containsNul };

struct LibraryDat {
  LibraryDatState state = LibraryDatState::absent;
  std::string content;  // exactly the bytes of the file when usable, line ends included
};

// Reads "library.dat" in `libDir`, never more than kLibraryDatLimit bytes of content.
LibraryDat readLibraryDat(const std::string& libDir);

}  // namespace ostrel
