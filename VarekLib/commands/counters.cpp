// Counters and registers: command 0x01 with a one-byte selector. The parsed
// form knows, for each of the fourteen selectors, how many values the reply
// carries and of which kind; it gives them no further meaning.
#include "commands/counters.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/parsers.h"

namespace {

constexpr uint8_t kCountersAndRegisters = 0x01;
constexpr int kValueSlots = 16;

enum class Layout { Integers, Amounts, RegisterTable };

struct CounterShape {
  Layout layout;
  int32_t values;  // how many values the reply carries after its first field
};

// Selectors 1 to 14; the reply's first field is always skipped. Selector 12 is
// the register table: a text, then integers and amounts alternating.
std::optional<CounterShape> shapeOf(int counterType) {
  switch (counterType) {
    case 1:
    case 2:
      return CounterShape{Layout::Integers, 1};
    case 3:
    case 5:
    case 13:
    case 14:
      return CounterShape{Layout::Amounts, 16};
    case 4:
    case 6:
      return CounterShape{Layout::Integers, 16};
    case 7:
      return CounterShape{Layout::Integers, 6};
    case 8:
    case 9:
      return CounterShape{Layout::Amounts, 4};
    case 10:
    case 11:
      return CounterShape{Layout::Amounts, 6};
    case 12:
      return CounterShape{Layout::RegisterTable, 12};
    default:
      return std::nullopt;
  }
}

int32_t parseInto(const CounterShape& shape, int32_t* scratch) {
  switch (shape.layout) {
    case Layout::Integers:
      return varek::parseValueList(scratch, shape.values,
                                   static_cast<int32_t>(varek::ValueKind::Integer));
    case Layout::Amounts:
      return varek::parseValueList(scratch, shape.values,
                                   static_cast<int32_t>(varek::ValueKind::Amount));
    case Layout::RegisterTable: {
      // The table's text goes to the exchange log; the caller gets the values.
      char text[varek::kFieldCapacity + 1] = {};
      return varek::parseRegisterTable(scratch, text);
    }
  }
  return VAREK_ERR_FIELD_COUNT;
}

}  // namespace

namespace varek {

int32_t counterValueCount(int32_t counterType) {
  const std::optional<CounterShape> shape = shapeOf(counterType);
  return shape ? shape->values : 0;
}

}  // namespace varek

extern "C" {

VAREK_API ReplyRecord libGetCountersAndRegisters(int counterType) {
  return varek::queryCommandByte(kCountersAndRegisters, counterType);
}

// The reply is decoded into a scratch array and copied to `values` only after
// a complete parse, so on any failure the caller's array is as it was.
VAREK_API int getCountersAndRegisters(int counterType, int* values) {
  const std::optional<CounterShape> shape = shapeOf(counterType);
  if (!shape) return VAREK_ERR_COUNTER_TYPE;
  const ReplyRecord reply = varek::queryCommandByte(kCountersAndRegisters, counterType);
  if (reply.result != VAREK_OK) return reply.result;
  int32_t scratch[kValueSlots] = {};
  const int32_t result = parseInto(*shape, scratch);
  if (result != VAREK_OK) return result;
  if (values != nullptr) std::copy_n(scratch, shape->values, values);
  return VAREK_OK;
}

}  // extern "C"
