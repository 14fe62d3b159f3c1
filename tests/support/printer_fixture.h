// A virtual printer on a real pseudo-terminal, with the library's port open on
// it: the fixture most device tests start from.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "varek_sim/VirtualPrinter.h"
#include "varek_sim/Wire.h"

namespace varek::test {

inline std::string textOf(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The exact bytes of a request frame as the driver must send it, built by the
// virtual printer's own encoder (independent of the library's).
inline std::string requestFrame(uint8_t code, const std::vector<std::string>& fields) {
  return textOf(sim::wire::encodeRequest(code, fields));
}

// The exact bytes of a reply frame as a good device sends it.
inline std::string replyFrame(uint8_t code, uint8_t error, const std::vector<std::string>& fields) {
  const std::string command = sim::wire::hexByte(code);
  sim::wire::ReplyFrame reply;
  reply.firstCommandChar = command[0];
  reply.secondCommandChar = command[1];
  reply.errorCode = error;
  reply.fields = fields;
  return textOf(sim::wire::encodeReply(reply));
}

inline std::vector<uint8_t> bytesOf(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::string textOf(const ReplyRecord& record) {
  return std::string(reinterpret_cast<const char*>(record.raw), static_cast<size_t>(record.length));
}

class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer.start();
    ASSERT_EQ(openPort(printer.portPath().c_str(), 115200), VAREK_OK);
  }

  // Every byte the device received since the last call, as text.
  std::string takeReceived() {
    std::string bytes = textOf(printer.received());
    printer.clearTranscript();
    return bytes;
  }

  // The frame of the only request received since the last takeReceived().
  std::string lastRequestFrame() {
    auto requests = printer.requests();
    return requests.empty() ? std::string() : textOf(requests.back().frame);
  }

  // Waits (bounded) until the device has received `count` requests.
  bool waitForRequests(size_t count) {
    return printer.waitForRequests(count, std::chrono::seconds(5));
  }

  sim::VirtualPrinter printer;
};

// Runs the test body in a fresh temporary directory (the exchange log is
// written to the current directory) and returns to the old one afterwards.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/varek-test-XXXXXX";
    path_ = mkdtemp(pattern);
    old_ = getcwd(nullptr, 0);
    if (chdir(path_.c_str()) != 0) path_.clear();
  }
  ~TempDir() {
    if (old_) {
      (void)!chdir(old_);
      std::free(old_);
    }
    std::string command = "rm -rf '" + path_ + "'";
    (void)!std::system(command.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  char* old_ = nullptr;
};

}  // namespace varek::test
