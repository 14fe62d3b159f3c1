// The virtual Varek printer: plays the device on the master side of a pseudo-terminal so that
// the driver (or any raw client) can talk to it through the slave device exactly as it would
// talk to a real printer on a serial line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "varek_sim/Paper.h"
#include "varek_sim/RegisterModel.h"

namespace varek::sim {

// One request as the device understood it.
struct Request {
  uint8_t command = 0;
  std::vector<std::string> fields;
  std::vector<uint8_t> frame;  // the request frame from STX through the two checksum digits
  std::vector<uint8_t>
      blockData;           // raw bytes of a block transfer (commands 0x15, 0x17, 0x18, 0x55)
  uint8_t frameError = 0;  // nonzero: the frame was refused with this device error code
};

// What a handler wants the device to answer.
struct Reply {
  uint8_t errorCode = 0;
  std::vector<std::string> fields;
  bool noReply = false;  // send nothing at all (the device stays silent)
  // Payload bytes sent as they stand (no field separators added) instead of the fields; the
  // device answers memory reads this way, as hexadecimal text.
  std::optional<std::string> rawPayload;
};

using Handler = std::function<Reply(const Request&)>;

// A fault applied to the answer to one request. Faults are queued and each received request
// (malformed ones included, a bare line feed excluded) takes the oldest one. The members combine;
// the named constructors build the common single faults.
struct Fault {
  std::chrono::milliseconds delay{0};          // wait before the reply (or before hanging up)
  std::vector<uint8_t> noise;                  // bytes sent before the reply's STX
  std::optional<uint8_t> packetId;             // echoed packet id replaced by this byte
  std::optional<char> firstCommandChar;        // echoed first command character replaced
  std::optional<char> secondCommandChar;       // echoed second command character replaced
  bool badChecksum = false;                    // checksum digits off by one
  bool lowerCaseHex = false;                   // error code and checksum in lower-case hex
  std::optional<uint8_t> errorCode;            // device error code instead of the handler's
  bool silence = false;                        // no reply at all
  std::optional<std::size_t> cutAfter;         // send only the first N bytes of the reply
  std::optional<std::size_t> overlongPayload;  // payload of exactly N bytes instead of the fields
  std::optional<std::vector<uint8_t>> raw;     // these bytes are sent instead of the reply
  bool hangUp = false;                         // close the line instead of replying
  std::chrono::milliseconds ackDelay{0};       // block transfer: wait before the ACK
  std::vector<uint8_t> ackGarbage;             // block transfer: bytes sent before the ACK
  bool noAck = false;  // block transfer: neither ACK nor reply; the data are not awaited

  static Fault Delay(std::chrono::milliseconds ms);
  static Fault Noise(std::vector<uint8_t> bytes);
  static Fault WrongPacketId(uint8_t id);
  static Fault WrongFirstChar(char c);
  static Fault WrongSecondChar(char c);
  static Fault BadChecksum();
  static Fault LowerCaseHex();
  static Fault DeviceError(uint8_t code);
  static Fault Silence();
  static Fault CutOff(std::size_t bytes);
  static Fault OverlongReply(std::size_t payloadBytes);
  static Fault Raw(std::vector<uint8_t> bytes);
  static Fault HangUp();
  static Fault AckDelay(std::chrono::milliseconds ms);
  static Fault AckGarbage(std::vector<uint8_t> bytes);
  static Fault NoAck();
};

// Device error codes used for requests the device cannot accept as sent. Codes from 0x20 on
// belong to the register model (refusals because of the register's state).
namespace errors {
inline constexpr uint8_t kUnknownCommand = 0x01;
inline constexpr uint8_t kBadChecksum = 0x02;
inline constexpr uint8_t kWrongPassword = 0x03;
inline constexpr uint8_t kMalformedFrame = 0x04;
inline constexpr uint8_t kFrameTooLong = 0x05;
inline constexpr uint8_t kWrongFieldCount = 0x10;
inline constexpr uint8_t kBadFieldValue = 0x11;
inline constexpr uint8_t kBlockTooLarge = 0x12;
inline constexpr uint8_t kInternalFault = 0x13;  // a handler failed
}  // namespace errors

struct Options {
  std::string paperFile;  // printed text is appended here as well (optional)
  std::string linkPath;   // symlink to the slave device (optional), replaced atomically
  std::string stateFile;  // where the register keeps its state across restarts (optional)
  // A frame or block transfer that stalls for this long is dropped (a real device resets its
  // receiver after an inter-byte time-out).
  std::chrono::milliseconds receiveTimeout{5000};
  // A reply the client does not take within this time is dropped.
  std::chrono::milliseconds writeTimeout{10000};
  std::size_t maxBlockBytes = 16u << 20;    // block data kept per transfer
  std::size_t transcriptBytes = 64u << 20;  // received bytes kept (oldest dropped)
  std::size_t transcriptRequests = 100000;  // requests kept (oldest dropped)
  std::size_t paperBytes = 16u << 20;       // printed text kept in memory (oldest dropped)
};

class VirtualPrinter {
 public:
  explicit VirtualPrinter(Options options = {});
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // The path a client opens: the symlink if one was asked for, else the first slave device.
  const std::string& portPath() const;
  // The slave device currently in use (changes after a hang-up fault).
  std::string currentSlavePath() const;

  void start();
  void stop();
  bool running() const;

  // Handlers, one per command code; defaults come from the register model.
  void setHandler(uint8_t command, Handler handler);
  void resetHandler(uint8_t command);  // back to the register model's handler
  void setReply(uint8_t command, Reply reply);
  void setPayload(uint8_t command, std::vector<std::string> fields);

  void pushFault(Fault fault);
  void clearFaults();
  std::size_t pendingFaults() const;

  // Transcript.
  std::vector<uint8_t> received() const;
  std::vector<Request> requests() const;
  std::size_t requestCount() const;  // requests since the last clearTranscript()
  bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  bool waitForReceived(std::size_t bytes, std::chrono::milliseconds timeout) const;
  void clearTranscript();

  std::string paper() const;
  void clearPaper();

  // Runs fn with the register model while the device is not handling a request.
  // fn must not call back into this object.
  void withModel(const std::function<void(RegisterModel&)>& fn);

 private:
  class Device;
  std::unique_ptr<Device> device_;
};

}  // namespace varek::sim
