// File access for the exchange log and the logo export.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varek::platform {

enum class FileWriteStatus { Written, OpenFailed, ShortWrite };

// Appends `size` bytes to the file `name` (created when absent) as one entry:
// while it is written no other writer using this function, in any process, can
// interleave with it. A writer that finds the file locked waits for it, but
// never longer than about half a second.
FileWriteStatus appendToFileExclusive(const char* name, const char* data, size_t size);

struct FileSpan {
  const void* data;
  size_t size;
};

// Writes the spans, in order, to a new temporary file beside `path` and renames
// it over `path` only once all of it is written and flushed to the disk, so
// that readers see either the old file or the complete new one. On failure the
// temporary file is removed and an existing file at `path` is left as it was:
// OpenFailed when the file cannot be created or put in place, ShortWrite when
// the data did not all reach it. A replaced file keeps its permissions; a
// symbolic link at `path` stays and the file it leads to is replaced; a device
// or pipe at `path` is written to directly.
FileWriteStatus replaceFileWhole(const char* path, const FileSpan* spans, size_t count);

}  // namespace varek::platform
