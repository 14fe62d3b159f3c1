// Splits the byte stream from the client into what the device reacts to: request frames, bare
// line feeds and the raw data of a block transfer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varek::sim {

class RequestAssembler {
 public:
  enum class Event {
    None,      // the byte was taken (part of a frame) or dropped (noise between frames)
    Frame,     // frame() holds a complete frame: STX ... ETX and two checksum characters
    LineFeed,  // a bare LF outside any frame
    Overflow,  // a frame longer than the device accepts ended; frame() holds its start
  };

  Event feed(uint8_t byte);

  // After the ACK of a block transfer: the next count bytes are data; the first keep of them
  // are stored.
  void expectBlock(std::size_t count, std::size_t keep);
  bool inBlock() const { return state_ == State::Block; }
  // Takes data bytes from [data, data + size); returns how many it took.
  std::size_t feedBlock(const uint8_t* data, std::size_t size);
  bool blockComplete() const { return state_ == State::Block && blockRemaining_ == 0; }
  bool blockTruncated() const { return blockTruncated_; }
  std::vector<uint8_t> takeBlock();  // the stored data; back to waiting for frames

  bool busy() const { return state_ != State::Idle; }
  void reset();
  const std::vector<uint8_t>& frame() const { return frame_; }

 private:
  enum class State { Idle, Frame, Trailer, Discard, DiscardTrailer, Block };

  State state_ = State::Idle;
  std::vector<uint8_t> frame_;
  int trailerLeft_ = 0;
  std::vector<uint8_t> block_;
  std::size_t blockRemaining_ = 0;
  std::size_t blockKeep_ = 0;
  bool blockTruncated_ = false;
};

}  // namespace varek::sim
