// The exchange log "fr_varek.log" in the current directory: request and reply
// frames under "\nSend:" and "\nRead:" while the debug level is nonzero, and
// the register-table text whatever the debug level. Each entry opens the file,
// appends the whole entry and closes it again.
#pragma once

#include <cstdint>

namespace varek {

inline constexpr char kLogFileName[] = "fr_varek.log";

enum class LogDirection { Send, Read };

// Logs the first `count` bytes of txFrame (Send) or rxFrame (Read). Zero bytes
// add nothing. Returns 0, 1100 (file not opened) or 1103 (short write).
int32_t logFrame(int32_t count, LogDirection direction);

// Appends `text` alone, with no header.
int32_t logText(const char* text);

}  // namespace varek
