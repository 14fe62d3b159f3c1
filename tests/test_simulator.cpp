// The virtual printer seen from a raw client on the slave side of its pty: no driver involved,
// so these tests pin down exactly what the device puts on the wire.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "varek_sim/VirtualPrinter.h"
#include "varek_sim/Wire.h"

using namespace std::chrono_literals;
using varek::sim::Fault;
using varek::sim::Options;
using varek::sim::VirtualPrinter;
namespace wire = varek::sim::wire;
namespace errors = varek::sim::errors;

using Bytes = std::vector<uint8_t>;

namespace {

// A client holding the slave side of the line, reading with poll and a deadline.
class RawClient {
 public:
  explicit RawClient(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~RawClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool isOpen() const { return fd_ >= 0; }

  void send(const Bytes& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Up to count bytes, or fewer when the line stays quiet for quietTime.
  Bytes read(std::size_t count, std::chrono::milliseconds quietTime = 3000ms) {
    Bytes out;
    while (out.size() < count) {
      pollfd fd{fd_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(quietTime.count())) <= 0) break;
      if ((fd.revents & POLLIN) == 0) break;
      uint8_t byte = 0;
      if (::read(fd_, &byte, 1) != 1) break;
      out.push_back(byte);
    }
    return out;
  }

  // One reply frame: everything up to two bytes past the first ETX.
  Bytes readFrame() {
    Bytes out;
    while (out.size() < 3 || out[out.size() - 3] != wire::kEtx) {
      Bytes next = read(1);
      if (next.empty()) break;
      out.push_back(next[0]);
    }
    return out;
  }

  Bytes exchange(uint8_t command, const std::vector<std::string>& fields) {
    send(wire::encodeRequest(command, fields));
    return readFrame();
  }

  short pollEvents(std::chrono::milliseconds timeout) {
    pollfd fd{fd_, POLLIN, 0};
    return poll(&fd, 1, static_cast<int>(timeout.count())) > 0 ? fd.revents : 0;
  }

 private:
  int fd_;
};

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorTest() { printer.start(); }
  VirtualPrinter printer;
  RawClient client{printer.portPath()};
};

// The reply the device sends for command 0x00 with payload "A": the base of the fault table.
wire::ReplyFrame goodStatusReply() {
  wire::ReplyFrame reply;
  reply.firstCommandChar = '0';
  reply.secondCommandChar = '0';
  reply.fields = {"A"};
  return reply;
}

}  // namespace

TEST_F(SimulatorTest, StatusQueryIsAnsweredByteForByte) {
  Bytes request{0x02, 'Q', 'Z', 'K', 'V', 0x00, '0', '0', 0x03};
  uint8_t sum = 0;
  for (std::size_t i = 1; i < request.size(); ++i) sum ^= request[i];
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  request.push_back(static_cast<uint8_t>(digits[0]));
  request.push_back(static_cast<uint8_t>(digits[1]));
  client.send(request);

  // Three status flag fields of 0; checksum 0x2F over packet id to ETX.
  Bytes expected{0x02, 0x00, '0', '0', '0', '0', '0', 0x1C, '0', 0x1C, '0', 0x1C, 0x03, '2', 'F'};
  EXPECT_EQ(client.readFrame(), expected);
  ASSERT_TRUE(printer.waitForRequests(1, 5s));
  EXPECT_EQ(printer.requests()[0].command, 0x00);
  EXPECT_EQ(printer.received(), request);
}

TEST_F(SimulatorTest, FieldsReachTheHandlerAndTheReplyEchoesTheCommand) {
  printer.setHandler(0x9A, [](const varek::sim::Request& r) {
    varek::sim::Reply reply;
    reply.fields = {std::to_string(r.fields.size()), r.fields.at(1)};
    return reply;
  });
  Bytes reply = client.exchange(0x9A, {"1", "text with spaces", ""});
  wire::ReplyFrame expected;
  expected.firstCommandChar = '9';
  expected.secondCommandChar = 'A';
  expected.fields = {"3", "text with spaces"};
  EXPECT_EQ(reply, wire::encodeReply(expected));
}

TEST_F(SimulatorTest, InvalidRequestsAreRefusedAndTheDeviceCarriesOn) {
  Bytes good = wire::encodeRequest(0x00, {});
  Bytes badChecksum = good;
  badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
  Bytes nonHexChecksum = good;
  nonHexChecksum.back() = 'G';
  Bytes wrongPassword = wire::encodeRequest(0x00, {}, "QZKW");
  Bytes unterminatedField = wire::encodeRequest(0x00, {});
  unterminatedField.insert(unterminatedField.begin() + 8, 'x');  // "x" with no FS after it
  unterminatedField.resize(unterminatedField.size() - 2);
  uint8_t sum = wire::xorChecksum(unterminatedField, 1, unterminatedField.size());
  for (char c : wire::hexByte(sum)) unterminatedField.push_back(static_cast<uint8_t>(c));
  Bytes tooShort{0x02, 0x03, '0', '3'};

  struct Case {
    const char* name;
    Bytes request;
    uint8_t error;
  };
  const Case cases[] = {
      {"bad checksum", badChecksum, errors::kBadChecksum},
      {"non-hex checksum", nonHexChecksum, errors::kBadChecksum},
      {"wrong password", wrongPassword, errors::kWrongPassword},
      {"unterminated field", unterminatedField, errors::kMalformedFrame},
      {"too short", tooShort, errors::kMalformedFrame},
      {"unknown command", wire::encodeRequest(0xEE, {}), errors::kUnknownCommand},
      {"wrong field count", wire::encodeRequest(0x02, {}), errors::kWrongFieldCount},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    client.send(c.request);
    Bytes reply = client.readFrame();
    ASSERT_GE(reply.size(), 9u);
    EXPECT_EQ(reply[0], wire::kStx);
    EXPECT_EQ(wire::parseHexByte(reply[4], reply[5]), c.error);
    EXPECT_EQ(reply[reply.size() - 3], wire::kEtx);
    EXPECT_EQ(wire::parseHexByte(reply[reply.size() - 2], reply[reply.size() - 1]),
              wire::xorChecksum(reply, 1, reply.size() - 2));
    Bytes after = client.exchange(0x00, {});  // the device is still in step
    ASSERT_GE(after.size(), 6u);
    EXPECT_EQ(wire::parseHexByte(after[4], after[5]), 0);
  }
}

TEST_F(SimulatorTest, OverlongRequestIsRefusedAsAWhole) {
  Bytes request = wire::encodeRequest(0x40, {std::string(5000, 'x'), "0"});
  client.send(request);
  Bytes reply = client.readFrame();
  ASSERT_GE(reply.size(), 9u);
  EXPECT_EQ(reply[2], '4');
  EXPECT_EQ(reply[3], '0');
  EXPECT_EQ(wire::parseHexByte(reply[4], reply[5]), errors::kFrameTooLong);
  Bytes after = client.exchange(0x00, {});
  ASSERT_GE(after.size(), 6u);
  EXPECT_EQ(wire::parseHexByte(after[4], after[5]), 0);
}

TEST_F(SimulatorTest, BareLineFeedFeedsPaperWithoutReply) {
  client.send({wire::kLineFeed, wire::kLineFeed});
  // The next reply must be the first thing on the line: the line feeds got no answer.
  Bytes reply = client.exchange(0x00, {});
  ASSERT_FALSE(reply.empty());
  EXPECT_EQ(reply[0], wire::kStx);
  EXPECT_EQ(printer.paper(), "\n\n");
}

TEST_F(SimulatorTest, PaperFileReceivesWhatIsPrinted) {
  std::string path = ::testing::TempDir() + "varek_sim_paper.txt";
  std::remove(path.c_str());
  {
    Options options;
    options.paperFile = path;
    VirtualPrinter withFile(options);
    withFile.start();
    RawClient other(withFile.portPath());
    other.send({wire::kLineFeed});
    other.exchange(0x20, {"X report"});
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char buffer[256] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  std::string text(buffer, n);
  EXPECT_EQ(text.substr(0, 1), "\n");
  EXPECT_NE(text.find("X REPORT"), std::string::npos);
  std::remove(path.c_str());
}

TEST_F(SimulatorTest, BlockTransferAcksReadsExactlyTheDataThenReplies) {
  struct Case {
    uint8_t command;
    std::vector<std::string> fields;
    std::size_t bytes;
  };
  const Case cases[] = {
      {0x15, {"5000"}, 5000},                   // logo: more than one pty buffer
      {0x17, {"0"}, 0},                         // receipt design, nothing to send
      {0x18, {"10", "3", "1", "pic", "0"}, 3},  // (10 * 3) / 8
      {0x55, {"576", "100", "0"}, 7200},        // picture in a document
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    printer.clearTranscript();
    client.send(wire::encodeRequest(c.command, c.fields));
    ASSERT_EQ(client.read(1), Bytes{wire::kAck});
    Bytes data(c.bytes);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    // Data bytes that look like STX, ETX and LF must not be taken for frames.
    if (!data.empty()) data[0] = wire::kStx;
    if (!data.empty()) client.send(data);
    Bytes reply = client.readFrame();
    wire::ReplyFrame expected;
    std::string code = wire::hexByte(c.command);
    expected.firstCommandChar = code[0];
    expected.secondCommandChar = code[1];
    EXPECT_EQ(reply, wire::encodeReply(expected));
    ASSERT_TRUE(printer.waitForRequests(1, 5s));
    EXPECT_EQ(printer.requests()[0].blockData, data);
  }
}

TEST_F(SimulatorTest, BlockTransferFaultsAroundTheAck) {
  printer.pushFault(Fault::AckGarbage({'?', '!'}));
  client.send(wire::encodeRequest(0x15, {"2"}));
  EXPECT_EQ(client.read(3), (Bytes{'?', '!', wire::kAck}));
  client.send({1, 2});
  EXPECT_EQ(client.readFrame().at(4), '0');

  printer.pushFault(Fault::NoAck());
  client.send(wire::encodeRequest(0x15, {"2"}));
  EXPECT_TRUE(client.read(1, 300ms).empty());
  // Without an ACK the device awaits no data: the next request is served at once.
  Bytes after = client.exchange(0x00, {});
  ASSERT_GE(after.size(), 6u);
  EXPECT_EQ(wire::parseHexByte(after[4], after[5]), 0);
}

TEST_F(SimulatorTest, ScriptedFaultsShapeTheReply) {
  printer.setPayload(0x00, {"A"});
  auto with = [](auto change) {
    wire::ReplyFrame reply = goodStatusReply();
    change(reply);
    return wire::encodeReply(reply);
  };
  Bytes good = wire::encodeReply(goodStatusReply());
  Bytes noisy{0x06, 0x15};
  noisy.insert(noisy.end(), good.begin(), good.end());
  Bytes overlong = with([](auto& r) { r.rawPayload = std::string(4999, 'X') + "\x1c"; });

  struct Case {
    const char* name;
    Fault fault;
    Bytes expected;
  };
  const Case cases[] = {
      {"noise", Fault::Noise({0x06, 0x15}), noisy},
      {"packet id", Fault::WrongPacketId(0x01), with([](auto& r) { r.packetId = 1; })},
      {"first char", Fault::WrongFirstChar('1'), with([](auto& r) { r.firstCommandChar = '1'; })},
      {"second char", Fault::WrongSecondChar('4'),
       with([](auto& r) { r.secondCommandChar = '4'; })},
      {"checksum", Fault::BadChecksum(), with([](auto& r) { r.badChecksum = true; })},
      {"device error", Fault::DeviceError(0x0B), with([](auto& r) { r.errorCode = 0x0B; })},
      {"cut off", Fault::CutOff(5), Bytes(good.begin(), good.begin() + 5)},
      {"raw", Fault::Raw({0x02, 0x03, 'x', 'y'}), Bytes{0x02, 0x03, 'x', 'y'}},
      {"overlong", Fault::OverlongReply(5000), overlong},
      {"delay", Fault::Delay(50ms), good},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    printer.pushFault(c.fault);
    client.send(wire::encodeRequest(0x00, {}));
    EXPECT_EQ(client.read(c.expected.size()), c.expected);
    EXPECT_TRUE(client.read(1, 100ms).empty());  // nothing beyond the scripted reply
  }

  Fault lower = Fault::DeviceError(0x3A);
  lower.lowerCaseHex = true;
  printer.pushFault(lower);
  Bytes reply = client.exchange(0x00, {});
  ASSERT_GE(reply.size(), 9u);
  EXPECT_EQ(std::string(reply.begin() + 4, reply.begin() + 6), "3a");
  std::string checksum(reply.end() - 2, reply.end());
  EXPECT_EQ(checksum, wire::hexByte(wire::xorChecksum(reply, 1, reply.size() - 2), true));

  printer.pushFault(Fault::Silence());
  client.send(wire::encodeRequest(0x00, {}));
  EXPECT_TRUE(client.read(1, 300ms).empty());
  EXPECT_EQ(client.exchange(0x00, {}), good);  // faults are used up one per request
}

TEST_F(SimulatorTest, HangUpDropsTheLineAndTheDeviceComesBackBehindTheLink) {
  std::string link = ::testing::TempDir() + "varek_sim_link_" + std::to_string(getpid());
  Options options;
  options.linkPath = link;
  VirtualPrinter linked(options);
  linked.start();
  ASSERT_EQ(linked.portPath(), link);
  RawClient first(link);
  ASSERT_TRUE(first.isOpen());
  std::string before = linked.currentSlavePath();

  linked.pushFault(Fault::HangUp());
  first.send(wire::encodeRequest(0x00, {}));
  EXPECT_TRUE(first.pollEvents(5000ms) & POLLHUP);
  EXPECT_NE(linked.currentSlavePath(), before);

  RawClient second(link);
  ASSERT_TRUE(second.isOpen());
  Bytes reply = second.exchange(0x00, {});
  ASSERT_GE(reply.size(), 6u);
  EXPECT_EQ(wire::parseHexByte(reply[4], reply[5]), 0);
}

TEST_F(SimulatorTest, StopInterruptsALongDelay) {
  printer.pushFault(Fault::Delay(std::chrono::hours(1)));
  client.send(wire::encodeRequest(0x00, {}));
  ASSERT_TRUE(printer.waitForRequests(1, 5s));
  printer.stop();  // would hang for an hour (and hit the test time-out) if the wait ignored it
  EXPECT_FALSE(printer.running());
}

TEST(SimulatorProcess, ServesALineUntilSigterm) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(VAREK_SIM_EXE, VAREK_SIM_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string path;
  char c = 0;
  pollfd fd{out[0], POLLIN, 0};
  while (poll(&fd, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') path.push_back(c);
  close(out[0]);
  ASSERT_FALSE(path.empty());

  {
    RawClient client(path);
    ASSERT_TRUE(client.isOpen());
    Bytes reply = client.exchange(0x81, {});
    wire::ReplyFrame expected;
    expected.firstCommandChar = '8';
    expected.secondCommandChar = '1';
    expected.fields = {"0"};
    EXPECT_EQ(reply, wire::encodeReply(expected));
  }
  ASSERT_EQ(kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
