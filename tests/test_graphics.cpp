// Graphics upload against the virtual printer on a real pseudo-terminal: the
// command frame, the ACK, the raw data in chunks, and the reply checked against
// the command.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "commands/graphics.h"
#include "platform/serial_port.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

using namespace varek;
using namespace varek::test;
using sim::Fault;

namespace {

// Records the size of every write the library makes and passes the bytes on to
// the port; the write with index `shortWriteAt` gets only half of its bytes
// through, as a port that stalls in the middle of a chunk would.
struct WriteRecorder {
  static inline std::vector<size_t> sizes;
  static inline size_t shortWriteAt = SIZE_MAX;

  static size_t write(platform::PortHandle port, const uint8_t* data, size_t size) {
    const size_t index = sizes.size();
    sizes.push_back(size);
    const size_t wanted = index == shortWriteAt ? size / 2 : size;
    return writeAll(static_cast<int>(port.value), data, wanted);
  }

  static size_t writeAll(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
      ssize_t n = ::write(fd, data + done, size - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        pollfd waiter{fd, POLLOUT, 0};
        if (poll(&waiter, 1, 5000) <= 0) break;
      } else {
        break;
      }
    }
    return done;
  }
};

std::vector<uint8_t> pattern(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return data;
}

std::string header(uint8_t code) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", code);
  return std::string("\x02QZKV\0", 6) + hex;
}

class Graphics : public PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    WriteRecorder::sizes.clear();
    WriteRecorder::shortWriteAt = SIZE_MAX;
    platform::setWriteOverride(&WriteRecorder::write);
  }
  void TearDown() override {
    platform::setWriteOverride(nullptr);
    session().batchMode = 0;
  }

  std::string txHeader() const {
    return std::string(reinterpret_cast<const char*>(session().txFrame), 8);
  }
  std::vector<uint8_t> lastBlock() {
    auto requests = printer.requests();
    return requests.empty() ? std::vector<uint8_t>{} : requests.back().blockData;
  }
};

}  // namespace

// The logo and the receipt design share the transfer.
TEST_F(Graphics, BlockTransferChunks) {
  struct Case {
    uint8_t code;
    int size;
    std::vector<size_t> chunks;
  };
  const Case cases[] = {{0x15, 0, {}},
                        {0x17, 4096, {4096}},
                        {0x17, 4097, {4096, 1}},
                        {0x17, 10000, {4096, 4096, 1808}},
                        {0x15, 10080, {4096, 4096, 1888}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const auto data = pattern(static_cast<size_t>(c.size));
    WriteRecorder::sizes.clear();
    printer.clearTranscript();
    const int result = c.code == 0x15 ? libLoadLogo(c.size, data.data())
                                      : libLoadReceiptDesign(c.size, data.data());
    EXPECT_EQ(result, VAREK_OK);
    const std::string frame = requestFrame(c.code, {std::to_string(c.size)});
    std::vector<size_t> expectedWrites{frame.size()};
    expectedWrites.insert(expectedWrites.end(), c.chunks.begin(), c.chunks.end());
    EXPECT_EQ(WriteRecorder::sizes, expectedWrites);
    EXPECT_EQ(takeReceived(), frame + textOf(data));
    EXPECT_EQ(txHeader(), header(c.code));
  }
}

TEST_F(Graphics, PicturesSendWidthTimesHeightOverEightBytes) {
  const auto data = pattern(7200);
  EXPECT_EQ(libLoadPicture(576, 100, 3, "LOGO", 1, data.data()), VAREK_OK);
  EXPECT_EQ(takeReceived(), requestFrame(0x18, {"576", "100", "3", "LOGO", "1"}) + textOf(data));
  EXPECT_EQ(WriteRecorder::sizes, (std::vector<size_t>{WriteRecorder::sizes[0], 4096, 3104}));

  EXPECT_EQ(libPrintPictureInDocument(10, 3, 0, data.data()), VAREK_OK);
  EXPECT_EQ(takeReceived(), requestFrame(0x55, {"10", "3", "0"}) + textOf(data).substr(0, 3));
  EXPECT_EQ(txHeader(), header(0x55));

  // A product that is not positive announces no data; nothing is read past it.
  EXPECT_EQ(libLoadPicture(-8, 8, 4, "", 0, nullptr), VAREK_OK);
  EXPECT_EQ(takeReceived(), requestFrame(0x18, {"-8", "8", "4", "", "0"}));
}

TEST_F(Graphics, ReceiptDesignAndOrdinaryCommands) {
  const auto data = pattern(5000);
  EXPECT_EQ(libLoadReceiptDesign(5000, data.data()), VAREK_OK);
  EXPECT_EQ(takeReceived(), requestFrame(0x17, {"5000"}) + textOf(data));
  EXPECT_EQ(libPrintPreloadedPicture(7, 2), sim::errors::kBadFieldValue);  // nothing stored under 7
  EXPECT_EQ(takeReceived(), requestFrame(0x56, {"7", "2"}));
  EXPECT_EQ(libDeleteLogo(), VAREK_OK);
  EXPECT_EQ(takeReceived(), requestFrame(0x16, {}));
}

// The last bytes in txFrame are data, yet the reply is checked against the
// command's own code: the header comes back before the reply is read.
TEST_F(Graphics, ReplyIsCheckedAgainstTheCommand) {
  auto data = pattern(4110);
  const std::string fake = header(0x99);
  std::copy(fake.begin(), fake.end(), data.begin() + 4096);  // the last chunk starts like a frame
  std::copy(fake.begin(), fake.end(), data.begin());
  EXPECT_EQ(libLoadReceiptDesign(4110, data.data()), VAREK_OK);
  EXPECT_EQ(txHeader(), header(0x17));

  printer.pushFault(Fault::WrongSecondChar('8'));
  EXPECT_EQ(libLoadReceiptDesign(4110, data.data()), VAREK_ERR_COMMAND_CHAR2);
  printer.pushFault(Fault::DeviceError(0x3A));
  EXPECT_EQ(libLoadLogo(10, data.data()), 0x3A);
}

TEST_F(Graphics, BytesBeforeTheAckAreDropped) {
  const auto data = pattern(360);
  printer.pushFault(Fault::AckGarbage({0x15, 0x02, 'Q', 0x00, 0x03}));
  EXPECT_EQ(libLoadLogo(360, data.data()), VAREK_OK);
  EXPECT_EQ(lastBlock(), data);

  // Up to 4096 other bytes are tolerated; the 4097th ends the wait with 1009,
  // the header is restored and nothing else is sent.
  printer.clearTranscript();
  printer.pushFault(Fault::AckGarbage(std::vector<uint8_t>(4096, 0x15)));
  EXPECT_EQ(libLoadLogo(360, data.data()), VAREK_OK);
  printer.clearTranscript();
  printer.pushFault(Fault::AckGarbage(std::vector<uint8_t>(4097, 0x15)));
  EXPECT_EQ(libLoadLogo(360, data.data()), VAREK_ERR_TIMEOUT);
  EXPECT_EQ(takeReceived(), requestFrame(0x15, {"360"}));
  EXPECT_EQ(txHeader(), header(0x15));
}

// Waits out the 10-second limit: its own CTest test.
TEST_F(Graphics, NoAckTimesOutWithoutSendingData) {
  const auto data = pattern(100);
  printer.pushFault(Fault::NoAck());
  EXPECT_EQ(libLoadPicture(80, 10, 1, "X", 0, data.data()), VAREK_ERR_TIMEOUT);
  EXPECT_EQ(takeReceived(), requestFrame(0x18, {"80", "10", "1", "X", "0"}));
  EXPECT_EQ(txHeader(), header(0x18));
}

TEST_F(Graphics, ShortWriteEndsTheTransfer) {
  const auto data = pattern(10000);
  WriteRecorder::shortWriteAt = 2;  // the frame, the first chunk, then the second chunk
  EXPECT_EQ(libLoadLogo(10000, data.data()), VAREK_ERR_WRITE);
  EXPECT_EQ(WriteRecorder::sizes.size(), 3u) << "the third chunk must not be sent";
  EXPECT_EQ(txHeader(), header(0x15));

  // A short command frame: neither ACK wait nor data.
  WriteRecorder::sizes.clear();
  WriteRecorder::shortWriteAt = 0;
  EXPECT_EQ(libLoadPicture(16, 1, 1, "", 0, data.data()), VAREK_ERR_WRITE);
  EXPECT_EQ(WriteRecorder::sizes.size(), 1u);
}

TEST_F(Graphics, BatchModeWaitsForBlockTransfersOnly) {
  const auto data = pattern(72);
  session().batchMode = 1;
  EXPECT_EQ(libLoadLogo(72, data.data()), VAREK_OK);
  EXPECT_EQ(lastBlock(), data);
  EXPECT_GT(session().rxLength, 0) << "the reply was read";
  EXPECT_EQ(libDeleteLogo(), VAREK_OK);
  EXPECT_EQ(session().rxLength, 0) << "no reply is read in batch mode";
}

TEST_F(Graphics, NoPortWritesNothing) {
  const platform::PortHandle held = session().port;
  session().port = platform::PortHandle{};
  const auto data = pattern(16);
  EXPECT_EQ(libLoadLogo(16, data.data()), VAREK_ERR_NO_PORT);
  EXPECT_EQ(libLoadPicture(8, 16, 1, "", 0, data.data()), VAREK_ERR_NO_PORT);
  EXPECT_EQ(txHeader(), header(0x18));
  session().port = held;
  EXPECT_TRUE(WriteRecorder::sizes.empty());
}

// The log shows the command frame and the reply, never the data.
TEST_F(Graphics, ChunksAndAckAreNotLogged) {
  TempDir dir;
  setDebugLevel(1);
  const std::vector<uint8_t> data(5040, '~');
  printer.pushFault(Fault::AckGarbage({'#'}));
  EXPECT_EQ(libLoadLogo(5040, data.data()), VAREK_OK);
  setDebugLevel(0);
  std::ifstream in("fr_varek.log", std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string sent = requestFrame(0x15, {"5040"});
  sent.erase(sent.find('\0'), 1);  // the packet id adds nothing to the text
  EXPECT_EQ(log.find('~'), std::string::npos);
  EXPECT_EQ(log.find('#'), std::string::npos);
  EXPECT_EQ(log.rfind("\nSend:" + sent +
                          "\nRead:\x02"
                          "15"
                          "00",
                      0),
            0u)
      << log;
}

// The virtual printer keeps what was uploaded and prints stored pictures.
TEST_F(Graphics, DeviceStoresAndPrintsPictures) {
  const auto data = pattern(4);
  ASSERT_EQ(libLoadPicture(16, 2, 5, "STAR", 0, data.data()), VAREK_OK);
  EXPECT_EQ(libPrintPreloadedPicture(5, 0), VAREK_OK);
  EXPECT_NE(printer.paper().find("STAR"), std::string::npos) << printer.paper();
  EXPECT_EQ(libPrintPreloadedPicture(6, 0), sim::errors::kBadFieldValue);
}
