// Table-driven checks for commands of the driver: the exact request on the
// wire, whether a command reads its reply while batch mode is on, and what it
// does without a port. Each case names one call of the public interface.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"
#include "varek_sim/VirtualPrinter.h"

namespace varek::test {

enum class ReadsReply { Always, UnlessBatch };

struct CommandCase {
  const char* name;
  std::function<int()> call;  // the result code (a record's result for raw queries)
  uint8_t code;
  std::vector<std::string> fields;
  ReadsReply reads = ReadsReply::Always;
};

// Each call puts exactly its request on the wire and returns the device's answer.
inline void expectRequestsOnWire(sim::VirtualPrinter& printer,
                                 const std::vector<CommandCase>& cases) {
  for (const auto& c : cases) {
    printer.setReply(c.code, sim::Reply{});
    printer.clearTranscript();
    EXPECT_EQ(c.call(), VAREK_OK) << c.name;
    EXPECT_EQ(textOf(printer.received()), requestFrame(c.code, c.fields)) << c.name;
    printer.resetHandler(c.code);
  }
}

// With batch mode on, batch-aware commands return 0 right after writing (the
// device stays silent here, as it does in that mode); the others still wait
// for the reply and pass on the device's error code.
inline void expectBatchBehaviour(sim::VirtualPrinter& printer,
                                 const std::vector<CommandCase>& cases) {
  constexpr uint8_t kDeviceError = 0x4D;
  for (const auto& c : cases) {
    printer.setReply(c.code, sim::Reply{});
    printer.clearTranscript();
    const bool batchAware = c.reads == ReadsReply::UnlessBatch;
    printer.pushFault(batchAware ? sim::Fault::Silence() : sim::Fault::DeviceError(kDeviceError));
    session().batchMode = 1;
    const int result = c.call();
    session().batchMode = 0;
    EXPECT_EQ(result, batchAware ? 0 : int{kDeviceError}) << c.name;
    EXPECT_TRUE(printer.waitForRequests(1, std::chrono::seconds(5))) << c.name;
    EXPECT_EQ(session().rxLength, batchAware ? 0 : 9) << c.name;
    printer.clearFaults();
    printer.resetHandler(c.code);
  }
}

// Without a port every command returns 2000 and sends nothing.
inline void expectNoPortRefusal(sim::VirtualPrinter& printer,
                                const std::vector<CommandCase>& cases) {
  ASSERT_EQ(openPort("/nonexistent/varek-port", 115200), VAREK_ERR_PORT_OPEN);
  for (const auto& c : cases) EXPECT_EQ(c.call(), VAREK_ERR_NO_PORT) << c.name;
  EXPECT_TRUE(printer.received().empty());
}

}  // namespace varek::test
