// A register's working days through the driver: start of work with the host
// clock, fiscalization, a sale, X and Z reports, the counters moving on, the
// fiscal memory and the control tape, and a restart of the register overnight
// that keeps all of it.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "VarekLib.h"
#include "platform/clock.h"
#include "support/printer_fixture.h"
#include "varek_sim/VirtualPrinter.h"

using namespace varek::test;
using varek::platform::LocalDateTime;

namespace {

constexpr int kShiftClosed = 0x40;

class DayInLife : public ::testing::Test {
 protected:
  void SetUp() override { startRegister(); }
  void TearDown() override { varek::platform::setLocalTimeOverride(nullptr); }

  // Powers the register on (again), keeping its state in the day's state file.
  void startRegister() {
    printer.reset();
    varek::sim::Options options;
    options.stateFile = dir.path() + "/register.state";
    printer = std::make_unique<varek::sim::VirtualPrinter>(options);
    printer->start();
    ASSERT_EQ(openPort(printer->portPath().c_str(), 115200), VAREK_OK);
  }

  void startOfWork(LocalDateTime when) {
    varek::platform::setLocalTimeOverride(&when);
    ASSERT_EQ(commandStart(), VAREK_OK);
  }

  // A cash sale of 2 x 1.45, paid with 5.00.
  void sellMilk() {
    ASSERT_EQ(libOpenDocument(1, 1, "Anna", 0), VAREK_OK);
    ASSERT_EQ(libAddPosition("Milk", "4601234567890", 2000, 145, 1, 0, 0), VAREK_OK);
    ASSERT_EQ(libAddPayment(0, 500, "Cash"), VAREK_OK);
    ASSERT_EQ(libCloseDocument(0).result, VAREK_OK);
  }

  int counter(int selector, int index = 0) {
    int values[16] = {};
    EXPECT_EQ(getCountersAndRegisters(selector, values), VAREK_OK) << selector;
    return values[index];
  }

  // The paper printed since the last call.
  std::string newPaper() {
    std::string all = printer->paper();
    std::string fresh = all.substr(std::min(printed, all.size()));
    printed = all.size();
    return fresh;
  }

  TempDir dir;
  std::unique_ptr<varek::sim::VirtualPrinter> printer;
  std::size_t printed = 0;
};

}  // namespace

TEST_F(DayInLife, SaleReportsAndRestartOvernight) {
  startOfWork({2014, 3, 5, 9, 7, 2});
  ASSERT_EQ(libFiscalization("ACME LTD", "7701234567", "REG 0001", "TAX OFFICE 12"), VAREK_OK);
  ASSERT_EQ(libActivizationECT(), VAREK_OK);
  EXPECT_EQ(counter(1), 1);

  sellMilk();
  EXPECT_EQ(counter(3), 290) << "cash sales of the shift";

  ASSERT_EQ(libPrintXReport("Midday"), VAREK_OK);
  std::string x = newPaper();
  EXPECT_NE(x.find("X REPORT"), std::string::npos) << x;
  EXPECT_NE(x.find("2.90"), std::string::npos) << x;
  EXPECT_EQ(counter(1), 1) << "an X report leaves the shift open";

  ASSERT_EQ(libPrintZReport("Evening", 0), VAREK_OK);
  std::string z = newPaper();
  EXPECT_NE(z.find("Z REPORT 1"), std::string::npos) << z;
  EXPECT_NE(z.find("SHIFT CLOSED"), std::string::npos) << z;
  EXPECT_EQ(counter(1), 2) << "the shift number moved on";
  EXPECT_EQ(counter(3), 0) << "the shift's sales start again from zero";
  EXPECT_EQ(counter(2), 2) << "document numbers run on across shifts";
  EXPECT_EQ(libPrintZReport("Again", 0), kShiftClosed);

  ASSERT_EQ(libPrintFiscalReportByDate(1, 14, 0x0503, 14, 0x0503, "Today"), VAREK_OK);
  std::string fiscal = newPaper();
  EXPECT_NE(fiscal.find("SHIFT 1 05.03.14"), std::string::npos) << fiscal;
  EXPECT_NE(fiscal.find("2.90"), std::string::npos) << fiscal;

  ReplyRecord info = libGetInfoFromECT(10, 1, 0);
  ASSERT_EQ(info.result, VAREK_OK);
  EXPECT_NE(textOf(info).find("2.90"), std::string::npos);
  EXPECT_EQ(libPrintDocumentFromECT(1), VAREK_OK);
  ASSERT_EQ(libWriteSettingsTable(2, 1, "ACME CORNER SHOP"), VAREK_OK);

  // Overnight the register is switched off and on again.
  startRegister();
  printed = 0;
  startOfWork({2014, 3, 6, 8, 0, 0});
  EXPECT_EQ(counter(1), 2);
  EXPECT_EQ(libPrintZReport("", 0), kShiftClosed) << "yesterday's shift stays closed";
  EXPECT_EQ(textOf(libReadSettingsTable(2, 1)),
            replyFrame(0x11, 0, {"2", "1", "ACME CORNER SHOP"}));
  ASSERT_EQ(libPrintCopyLastZReport(), VAREK_OK);
  EXPECT_NE(newPaper().find("Z REPORT 1"), std::string::npos);

  sellMilk();
  sellMilk();
  ASSERT_EQ(libPrintZReport("", 11), VAREK_OK);
  EXPECT_EQ(counter(1), 3);
  newPaper();
  ASSERT_EQ(libPrintFiscalReportByShifts(1, 1, 2, ""), VAREK_OK);
  std::string both = newPaper();
  EXPECT_NE(both.find("SHIFT 1 05.03.14"), std::string::npos) << both;
  EXPECT_NE(both.find("SHIFT 2 06.03.14"), std::string::npos) << both;
  EXPECT_NE(both.find("8.70"), std::string::npos) << "sales of both shifts: " << both;
}

TEST_F(DayInLife, DeviceClockSurvivesARestart) {
  ASSERT_EQ(libSetVarekDateTime(2014, 0x0503, 0x000709), VAREK_OK);
  startRegister();
  ReplyRecord clock = libGetVarekDateTime();
  ASSERT_EQ(clock.result, VAREK_OK);
  EXPECT_NE(textOf(clock).find("050314"), std::string::npos) << textOf(clock);
}

TEST_F(DayInLife, ARegisterRefusesAStateFileThatIsNotItsOwn) {
  std::ofstream(dir.path() + "/other.state") << "some other program's data\n";
  varek::sim::Options options;
  options.stateFile = dir.path() + "/other.state";
  EXPECT_THROW(varek::sim::VirtualPrinter{options}, std::runtime_error);
  std::ifstream kept(dir.path() + "/other.state");
  std::string line;
  std::getline(kept, line);
  EXPECT_EQ(line, "some other program's data");
}
