// Text for the printer's character generator. The device prints single-byte
// text in the host's OEM code page; POSIX hosts have no such setting, so the
// printer's native Cyrillic DOS code page (CP866) plays that part there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varek::platform {

// Encodes `count` UTF-16 code units as OEM code page text, one byte per
// character: ASCII unchanged, a character the code page lacks (a surrogate pair
// counts as one character, a lone surrogate as one) as '?', and U+0000 as '?'
// too, since the request carries texts up to their terminating zero byte.
// Writes at most `count` bytes to `out` (no terminator) and returns how many.
size_t encodeOemText(const uint16_t* units, size_t count, char* out);

}  // namespace varek::platform
