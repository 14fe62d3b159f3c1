// Runs with wall_clock_jumps preloaded: the wall clock leaps by an hour (or
// back) at every reading. The reply limit runs on the monotonic clock, so a
// slow reply is still taken and a silent device still ends after 10 seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "support/printer_fixture.h"

using namespace varek::test;

namespace {

double monotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

TEST_F(PrinterTest, WallClockStepsNeitherCutNorStretchTheReplyWait) {
  ASSERT_NE(time(nullptr), time(nullptr)) << "the wall clock is not being stepped";
  printer.pushFault(varek::sim::Fault::Delay(std::chrono::milliseconds(1500)));
  EXPECT_EQ(varek::queryCommand(0x00).result, VAREK_OK);

  printer.pushFault(varek::sim::Fault::Silence());
  double start = monotonicSeconds();
  EXPECT_EQ(varek::queryCommand(0x00).result, VAREK_ERR_TIMEOUT);
  double waited = monotonicSeconds() - start;
  EXPECT_GE(waited, 10.0);
  EXPECT_LT(waited, 12.0);
}
