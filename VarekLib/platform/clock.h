// Time sources: a monotonic clock for time limits, and the host's local time
// for commands that send the current date and time to the device.
#pragma once

#include <cstdint>

namespace varek::platform {

// Milliseconds on a clock that never jumps (unaffected by setting the date).
using MonotonicTime = int64_t;
MonotonicTime monotonicNowMs();

struct LocalDateTime {
  int year = 0;   // calendar year, e.g. 2014
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The host's current local date and time.
LocalDateTime localNow();

// Test seam: pins localNow() to a fixed value; null restores the real clock.
void setLocalTimeOverride(const LocalDateTime* pinned);

}  // namespace varek::platform
