// Logo export: reads the logo stored in the device through memory reads and
// writes it as a 1-bit bitmap file 576 dots wide.
#pragma once

#include <cstddef>

namespace varek {

// Test seam: replaces the allocation of the picture buffer (the memory is
// released with std::free, so a replacement returns malloc'ed memory or null).
// Null restores std::malloc.
using PictureAllocator = void* (*)(size_t size);
void setPictureAllocator(PictureAllocator allocate);

}  // namespace varek
