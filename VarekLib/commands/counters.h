// The shapes of the counters and registers replies, shared with the Java bridge.
#pragma once

#include <cstdint>

namespace varek {

// How many values the parsed counters query yields for `counterType`: 1 to 16
// for the selectors 1 to 14, 0 for any other selector (which is refused).
int32_t counterValueCount(int32_t counterType);

}  // namespace varek
