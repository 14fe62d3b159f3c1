#include <ctime>
#include <optional>

#include "platform/clock.h"

namespace varek::platform {

namespace {
std::optional<LocalDateTime> pinnedLocalTime;
}

MonotonicTime monotonicNowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<MonotonicTime>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

LocalDateTime localNow() {
  if (pinnedLocalTime) return *pinnedLocalTime;
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

void setLocalTimeOverride(const LocalDateTime* pinned) {
  if (pinned)
    pinnedLocalTime = *pinned;
  else
    pinnedLocalTime.reset();
}

}  // namespace varek::platform
