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

}  // namespace varek::platform
