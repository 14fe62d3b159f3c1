#include "varek_sim/VirtualPrinter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "Handlers.h"
#include "Pty.h"
#include "RequestAssembler.h"
#include "sale_model.h"
#include "state_file.h"
#include "varek_sim/Wire.h"

namespace varek::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Where a reply goes back to: the packet id and command characters as the request carried them.
struct Echo {
  uint8_t packetId = 0;
  char first = '0';
  char second = '0';
};

Echo echoOf(const std::vector<uint8_t>& frame) {
  Echo echo;
  if (frame.size() > 5) echo.packetId = frame[5];
  if (frame.size() > 6) echo.first = static_cast<char>(frame[6]);
  if (frame.size() > 7) echo.second = static_cast<char>(frame[7]);
  return echo;
}

// Splits "field FS field FS" into the fields; false when text follows the last separator.
bool splitFields(const std::vector<uint8_t>& frame, std::size_t first, std::size_t last,
                 std::vector<std::string>& fields) {
  std::string current;
  for (std::size_t i = first; i < last; ++i) {
    if (frame[i] == wire::kFieldSeparator) {
      fields.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(frame[i]));
    }
  }
  return current.empty();
}

// Checks a complete frame (STX ... ETX c c) the way the device does and decodes it.
Request decodeFrame(const std::vector<uint8_t>& frame) {
  Request request;
  request.frame = frame;
  std::size_t size = frame.size();
  if (size < wire::kMinRequest) {
    request.frameError = errors::kMalformedFrame;
    return request;
  }
  auto sum = wire::parseHexByte(frame[size - 2], frame[size - 1]);
  if (!sum || *sum != wire::xorChecksum(frame, 1, size - 2)) {
    request.frameError = errors::kBadChecksum;
    return request;
  }
  if (std::string(frame.begin() + 1, frame.begin() + 5) != wire::kPassword) {
    request.frameError = errors::kWrongPassword;
    return request;
  }
  auto command = wire::parseHexByte(frame[6], frame[7]);
  if (!command || !splitFields(frame, 8, size - 3, request.fields)) {
    request.frameError = errors::kMalformedFrame;
    return request;
  }
  request.command = *command;
  return request;
}

std::string overlongPayload(std::size_t bytes) {
  if (bytes == 0) return {};
  std::string payload(bytes - 1, 'X');
  payload.push_back(static_cast<char>(wire::kFieldSeparator));
  return payload;
}

}  // namespace

class VirtualPrinter::Device {
 public:
  explicit Device(Options options)
      : options_(std::move(options)), paper_(options_.paperFile, options_.paperBytes) {
    model_ = RegisterModel::factoryDefaults();
    if (!options_.stateFile.empty()) {
      stateFile_ = std::make_unique<StateFile>(options_.stateFile);
      stateFile_->load(model_);
    }
    DeviceContext context{model_, paper_};
    context_ = std::make_unique<DeviceContext>(context);
    registerAllHandlers(defaults_, *context_);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) throw std::system_error(errno, std::system_category(), "eventfd");
    try {
      pty_ = openPty();
      firstSlavePath_ = pty_.slavePath;
      if (!options_.linkPath.empty()) pointLink(options_.linkPath, pty_.slavePath);
    } catch (...) {
      closePty(pty_);
      close(stopFd_);
      throw;
    }
  }

  ~Device() {
    stop();
    if (!options_.linkPath.empty()) removeLinkTo(options_.linkPath, currentSlavePath());
    closePty(pty_);
    close(stopFd_);
  }

  const std::string& portPath() const {
    return options_.linkPath.empty() ? firstSlavePath_ : options_.linkPath;
  }

  std::string currentSlavePath() const {
    std::lock_guard lock(ptyMutex_);
    return pty_.slavePath;
  }

  void start() {
    if (thread_.joinable()) return;
    drainStop();
    thread_ = std::thread([this] { run(); });
  }

  void stop() {
    if (!thread_.joinable()) return;
    uint64_t one = 1;
    while (write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
    drainStop();
  }

  bool running() const { return thread_.joinable(); }

  // Handlers.
  void setHandler(uint8_t command, Handler handler) {
    std::lock_guard lock(handlersMutex_);
    overrides_[command] = std::move(handler);
  }
  void resetHandler(uint8_t command) { setHandler(command, nullptr); }

  // Faults.
  void pushFault(Fault fault) {
    std::lock_guard lock(faultsMutex_);
    faults_.push_back(std::move(fault));
  }
  void clearFaults() {
    std::lock_guard lock(faultsMutex_);
    faults_.clear();
  }
  std::size_t pendingFaults() const {
    std::lock_guard lock(faultsMutex_);
    return faults_.size();
  }

  // Transcript.
  std::vector<uint8_t> received() const {
    std::lock_guard lock(transcriptMutex_);
    return {received_.begin(), received_.end()};
  }
  std::vector<Request> requests() const {
    std::lock_guard lock(transcriptMutex_);
    return {requests_.begin(), requests_.end()};
  }
  std::size_t requestCount() const {
    std::lock_guard lock(transcriptMutex_);
    return requestTotal_;
  }
  bool waitForRequests(std::size_t count, milliseconds timeout) const {
    std::unique_lock lock(transcriptMutex_);
    return transcriptChanged_.wait_for(lock, timeout, [&] { return requestTotal_ >= count; });
  }
  bool waitForReceived(std::size_t bytes, milliseconds timeout) const {
    std::unique_lock lock(transcriptMutex_);
    return transcriptChanged_.wait_for(lock, timeout, [&] { return receivedTotal_ >= bytes; });
  }
  void clearTranscript() {
    std::lock_guard lock(transcriptMutex_);
    received_.clear();
    requests_.clear();
    receivedTotal_ = requestTotal_ = 0;
  }

  Paper& paper() { return paper_; }

  void withModel(const std::function<void(RegisterModel&)>& fn) {
    std::lock_guard lock(modelMutex_);
    fn(model_);
    if (stateFile_) stateFile_->save(model_);
  }

 private:
  // ---- the device thread ----

  void run() {
    std::array<uint8_t, 4096> buffer{};
    while (true) {
      std::array<pollfd, 2> fds{{{pty_.master, POLLIN, 0}, {stopFd_, POLLIN, 0}}};
      int rc = poll(fds.data(), fds.size(), pollTimeout());
      if (rc < 0 && errno == EINTR) continue;
      if (rc < 0 || fds[1].revents != 0) return;
      if (rc == 0) {
        abandonPartial();
        continue;
      }
      ssize_t got =
          (fds[0].revents & POLLIN) ? read(pty_.master, buffer.data(), buffer.size()) : -1;
      if (got > 0) {
        process(buffer.data(), static_cast<std::size_t>(got));
        continue;
      }
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      // Hang-up or error on the line: wait a little instead of spinning on a poll that returns
      // at once.
      if (waitForStop(milliseconds(100))) return;
    }
  }

  int pollTimeout() const {
    if (!assembler_.busy()) return -1;
    auto left = std::chrono::duration_cast<milliseconds>(receiveDeadline_ - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) + 1 : 0;
  }

  // True when stop() was called during the wait.
  bool waitForStop(milliseconds duration) {
    auto deadline = Clock::now() + duration;
    while (true) {
      auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd fd{stopFd_, POLLIN, 0};
      int rc = poll(&fd, 1, static_cast<int>(left.count()));
      if (rc > 0) return true;
      if (rc < 0 && errno != EINTR) return false;
    }
  }

  void drainStop() {
    uint64_t value = 0;
    while (read(stopFd_, &value, sizeof value) > 0) {
    }
  }

  void process(const uint8_t* data, std::size_t size) {
    record(data, size);
    receiveDeadline_ = Clock::now() + options_.receiveTimeout;
    uint64_t line = lineGeneration_;
    std::size_t i = 0;
    while (i < size && line == lineGeneration_) {
      if (assembler_.inBlock()) {
        i += assembler_.feedBlock(data + i, size - i);
        if (assembler_.blockComplete()) finishBlock();
        continue;
      }
      switch (assembler_.feed(data[i++])) {
        case RequestAssembler::Event::None:
          break;
        case RequestAssembler::Event::LineFeed:
          paper_.feedLine();
          break;
        case RequestAssembler::Event::Frame:
          handleFrame(assembler_.frame());
          break;
        case RequestAssembler::Event::Overflow: {
          Request request;
          request.frame = assembler_.frame();
          request.frameError = errors::kFrameTooLong;
          refuseFrame(request);
          break;
        }
      }
    }
  }

  void handleFrame(const std::vector<uint8_t>& frame) {
    Request request = decodeFrame(frame);
    if (request.frameError != 0) {
      refuseFrame(request);
      return;
    }
    auto blockBytes = blockTransferBytes(request);
    if (!blockBytes) {
      Fault fault = takeFault();
      answer(request, dispatch(request), fault);
      return;
    }
    blockFault_ = takeFault();
    if (!acknowledge(blockFault_)) {
      addRequest(request);
      return;
    }
    blockRequest_ = std::move(request);
    assembler_.expectBlock(*blockBytes, options_.maxBlockBytes);
    if (assembler_.blockComplete()) finishBlock();
  }

  void refuseFrame(const Request& request) {
    Fault fault = takeFault();
    addRequest(request);
    Reply reply;
    reply.errorCode = request.frameError;
    sendReply(echoOf(request.frame), reply, fault);
  }

  void finishBlock() {
    bool truncated = assembler_.blockTruncated();
    blockRequest_.blockData = assembler_.takeBlock();
    Reply reply =
        truncated ? Reply{errors::kBlockTooLarge, {}, false, {}} : dispatch(blockRequest_);
    answer(blockRequest_, reply, blockFault_);
  }

  // A frame or block transfer that stalled: the device resets its receiver and answers nothing.
  void abandonPartial() {
    if (assembler_.inBlock()) {
      blockRequest_.blockData = assembler_.takeBlock();
      addRequest(blockRequest_);
    }
    assembler_.reset();
  }

  Reply dispatch(const Request& request) {
    Handler handler;
    {
      std::lock_guard lock(handlersMutex_);
      handler =
          overrides_[request.command] ? overrides_[request.command] : defaults_[request.command];
    }
    if (!handler) return Reply{errors::kUnknownCommand, {}, false, {}};
    std::lock_guard lock(modelMutex_);
    Reply reply;
    try {
      reply = applyBatchMode(model_, request.command, handler(request));
    } catch (const std::exception&) {
      reply = Reply{errors::kInternalFault, {}, false, {}};
    }
    // Kept before the reply goes out, as a register writes its memory before it confirms.
    if (stateFile_) stateFile_->save(model_);
    return reply;
  }

  void answer(const Request& request, const Reply& reply, const Fault& fault) {
    addRequest(request);
    sendReply(echoOf(request.frame), reply, fault);
  }

  bool acknowledge(const Fault& fault) {
    if (fault.noAck) return false;
    if (fault.ackDelay.count() > 0 && waitForStop(fault.ackDelay)) return false;
    std::vector<uint8_t> bytes = fault.ackGarbage;
    bytes.push_back(wire::kAck);
    return writeAll(bytes);
  }

  void sendReply(const Echo& echo, const Reply& reply, const Fault& fault) {
    if (fault.delay.count() > 0 && waitForStop(fault.delay)) return;
    if (fault.hangUp) {
      hangUp();
      return;
    }
    if (fault.silence || reply.noReply) return;
    std::vector<uint8_t> frame = fault.raw ? *fault.raw : encode(echo, reply, fault);
    if (fault.cutAfter && *fault.cutAfter < frame.size()) frame.resize(*fault.cutAfter);
    std::vector<uint8_t> bytes = fault.noise;
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    writeAll(bytes);
  }

  static std::vector<uint8_t> encode(const Echo& echo, const Reply& reply, const Fault& fault) {
    wire::ReplyFrame frame;
    frame.packetId = fault.packetId.value_or(echo.packetId);
    frame.firstCommandChar = fault.firstCommandChar.value_or(echo.first);
    frame.secondCommandChar = fault.secondCommandChar.value_or(echo.second);
    frame.errorCode = fault.errorCode.value_or(reply.errorCode);
    frame.fields = reply.fields;
    frame.rawPayload = reply.rawPayload;
    if (fault.overlongPayload) frame.rawPayload = overlongPayload(*fault.overlongPayload);
    frame.lowerCaseHex = fault.lowerCaseHex;
    frame.badChecksum = fault.badChecksum;
    return wire::encodeReply(frame);
  }

  // Writes everything or gives up after the write time-out (a client that stopped reading).
  bool writeAll(const std::vector<uint8_t>& bytes) {
    auto deadline = Clock::now() + options_.writeTimeout;
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(pty_.master, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return false;
      auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      std::array<pollfd, 2> fds{{{pty_.master, POLLOUT, 0}, {stopFd_, POLLIN, 0}}};
      int rc = poll(fds.data(), fds.size(), static_cast<int>(left.count()));
      if (rc < 0 && errno != EINTR) return false;
      if (rc > 0 && fds[1].revents != 0) return false;
    }
    return true;
  }

  // The cable is pulled and plugged back: the client's open line hangs up (POLLHUP, EIO), and
  // the device comes back on a fresh line, which the symlink (if any) now names.
  void hangUp() {
    PtyPair fresh;
    try {
      fresh = openPty();
    } catch (const std::system_error&) {
      fresh = PtyPair{};
    }
    // The link moves to the new line before the old one hangs up, so a client
    // that reconnects as soon as it sees the hang-up finds the new line.
    if (fresh.master >= 0 && !options_.linkPath.empty()) {
      try {
        pointLink(options_.linkPath, fresh.slavePath);
      } catch (const std::system_error&) {
      }
    }
    {
      std::lock_guard lock(ptyMutex_);
      closePty(pty_);
      pty_ = fresh;
    }
    ++lineGeneration_;
    assembler_.reset();
  }

  Fault takeFault() {
    std::lock_guard lock(faultsMutex_);
    Fault fault;
    if (!faults_.empty()) {
      fault = std::move(faults_.front());
      faults_.pop_front();
    }
    return fault;
  }

  void record(const uint8_t* data, std::size_t size) {
    std::lock_guard lock(transcriptMutex_);
    received_.insert(received_.end(), data, data + size);
    if (received_.size() > options_.transcriptBytes)
      received_.erase(received_.begin(),
                      received_.end() - static_cast<std::ptrdiff_t>(options_.transcriptBytes / 2));
    receivedTotal_ += size;
    transcriptChanged_.notify_all();
  }

  void addRequest(const Request& request) {
    std::lock_guard lock(transcriptMutex_);
    requests_.push_back(request);
    while (requests_.size() > options_.transcriptRequests) requests_.pop_front();
    ++requestTotal_;
    transcriptChanged_.notify_all();
  }

  Options options_;
  Paper paper_;

  mutable std::mutex modelMutex_;
  RegisterModel model_;
  std::unique_ptr<StateFile> stateFile_;  // set when the state is kept across restarts
  std::unique_ptr<DeviceContext> context_;

  mutable std::mutex handlersMutex_;
  HandlerTable defaults_;
  std::array<Handler, 256> overrides_;

  mutable std::mutex faultsMutex_;
  std::deque<Fault> faults_;

  mutable std::mutex transcriptMutex_;
  mutable std::condition_variable transcriptChanged_;
  std::deque<uint8_t> received_;
  std::deque<Request> requests_;
  std::size_t receivedTotal_ = 0;
  std::size_t requestTotal_ = 0;

  mutable std::mutex ptyMutex_;  // guards pty_ against readers on other threads
  PtyPair pty_;
  std::string firstSlavePath_;
  int stopFd_ = -1;
  std::thread thread_;

  // Device thread only.
  RequestAssembler assembler_;
  Clock::time_point receiveDeadline_{};
  Request blockRequest_;
  Fault blockFault_;
  uint64_t lineGeneration_ = 0;
};

// ---- Fault constructors ----

namespace {
template <typename Member, typename Value>
Fault faultWith(Member Fault::*member, Value value) {
  Fault fault;
  fault.*member = std::move(value);
  return fault;
}
}  // namespace

Fault Fault::Delay(milliseconds ms) {
  return faultWith(&Fault::delay, ms);
}
Fault Fault::Noise(std::vector<uint8_t> bytes) {
  return faultWith(&Fault::noise, std::move(bytes));
}
Fault Fault::WrongPacketId(uint8_t id) {
  return faultWith(&Fault::packetId, std::optional(id));
}
Fault Fault::WrongFirstChar(char c) {
  return faultWith(&Fault::firstCommandChar, std::optional(c));
}
Fault Fault::WrongSecondChar(char c) {
  return faultWith(&Fault::secondCommandChar, std::optional(c));
}
Fault Fault::BadChecksum() {
  return faultWith(&Fault::badChecksum, true);
}
Fault Fault::LowerCaseHex() {
  return faultWith(&Fault::lowerCaseHex, true);
}
Fault Fault::DeviceError(uint8_t code) {
  return faultWith(&Fault::errorCode, std::optional(code));
}
Fault Fault::Silence() {
  return faultWith(&Fault::silence, true);
}
Fault Fault::CutOff(std::size_t bytes) {
  return faultWith(&Fault::cutAfter, std::optional(bytes));
}
Fault Fault::OverlongReply(std::size_t payloadBytes) {
  return faultWith(&Fault::overlongPayload, std::optional(payloadBytes));
}
Fault Fault::Raw(std::vector<uint8_t> bytes) {
  return faultWith(&Fault::raw, std::optional(std::move(bytes)));
}
Fault Fault::HangUp() {
  return faultWith(&Fault::hangUp, true);
}
Fault Fault::AckDelay(milliseconds ms) {
  return faultWith(&Fault::ackDelay, ms);
}
Fault Fault::AckGarbage(std::vector<uint8_t> bytes) {
  return faultWith(&Fault::ackGarbage, std::move(bytes));
}
Fault Fault::NoAck() {
  return faultWith(&Fault::noAck, true);
}

// ---- VirtualPrinter ----

VirtualPrinter::VirtualPrinter(Options options)
    : device_(std::make_unique<Device>(std::move(options))) {}
VirtualPrinter::~VirtualPrinter() = default;

const std::string& VirtualPrinter::portPath() const {
  return device_->portPath();
}
std::string VirtualPrinter::currentSlavePath() const {
  return device_->currentSlavePath();
}
void VirtualPrinter::start() {
  device_->start();
}
void VirtualPrinter::stop() {
  device_->stop();
}
bool VirtualPrinter::running() const {
  return device_->running();
}

void VirtualPrinter::setHandler(uint8_t command, Handler handler) {
  device_->setHandler(command, std::move(handler));
}
void VirtualPrinter::resetHandler(uint8_t command) {
  device_->resetHandler(command);
}
void VirtualPrinter::setReply(uint8_t command, Reply reply) {
  device_->setHandler(command, [reply = std::move(reply)](const Request&) { return reply; });
}
void VirtualPrinter::setPayload(uint8_t command, std::vector<std::string> fields) {
  Reply reply;
  reply.fields = std::move(fields);
  setReply(command, std::move(reply));
}

void VirtualPrinter::pushFault(Fault fault) {
  device_->pushFault(std::move(fault));
}
void VirtualPrinter::clearFaults() {
  device_->clearFaults();
}
std::size_t VirtualPrinter::pendingFaults() const {
  return device_->pendingFaults();
}

std::vector<uint8_t> VirtualPrinter::received() const {
  return device_->received();
}
std::vector<Request> VirtualPrinter::requests() const {
  return device_->requests();
}
std::size_t VirtualPrinter::requestCount() const {
  return device_->requestCount();
}
bool VirtualPrinter::waitForRequests(std::size_t count, milliseconds timeout) const {
  return device_->waitForRequests(count, timeout);
}
bool VirtualPrinter::waitForReceived(std::size_t bytes, milliseconds timeout) const {
  return device_->waitForReceived(bytes, timeout);
}
void VirtualPrinter::clearTranscript() {
  device_->clearTranscript();
}

std::string VirtualPrinter::paper() const {
  return device_->paper().text();
}
void VirtualPrinter::clearPaper() {
  device_->paper().clear();
}

void VirtualPrinter::withModel(const std::function<void(RegisterModel&)>& fn) {
  device_->withModel(fn);
}

}  // namespace varek::sim
