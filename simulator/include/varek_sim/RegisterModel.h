// The state of the virtual register. Each command group keeps its part in its own struct so that
// the groups grow independently; the handlers of a group (src/handlers_*.cpp) work on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "varek_sim/model/DeviceInfo.h"
#include "varek_sim/model/Document.h"
#include "varek_sim/model/Ect.h"
#include "varek_sim/model/Graphics.h"
#include "varek_sim/model/Service.h"
#include "varek_sim/model/Shift.h"

namespace varek::sim {

struct RegisterModel {
  DeviceInfo device;
  DocumentState document;
  ShiftState shift;
  EctState ect;
  ServiceState service;
  GraphicsState graphics;

  // A register as it leaves the factory, with plausible figures in every counter.
  static RegisterModel factoryDefaults();
};

// Decimal text the way the device prints amounts: hundredths as "123.45", "-0.05".
std::string formatAmount(int64_t hundredths);

// Decimal text with an optional fraction (as the driver sends amounts, quantities and
// percentages) as a whole number of units of 10^-decimals, extra digits truncated toward zero.
// Nothing when the text is not such a number or does not fit.
std::optional<int64_t> parseDecimal(std::string_view text, int decimals);

// A whole decimal integer (optional minus sign); nothing when the text is not one.
std::optional<int64_t> parseInteger(std::string_view text);

}  // namespace varek::sim
