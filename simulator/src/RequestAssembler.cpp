#include "RequestAssembler.h"

#include <algorithm>

#include "varek_sim/Wire.h"

namespace varek::sim {

using namespace wire;

namespace {
constexpr std::size_t kKeptHeader = 8;  // STX, password, packet id, command: enough to answer
}

RequestAssembler::Event RequestAssembler::feed(uint8_t byte) {
  switch (state_) {
    case State::Idle:
      if (byte == kLineFeed) return Event::LineFeed;
      if (byte == kStx) {
        frame_.assign(1, byte);
        state_ = State::Frame;
      }
      return Event::None;  // noise between frames
    case State::Frame:
      if (frame_.size() == kMaxFrame) {
        frame_.resize(kKeptHeader);
        state_ = byte == kEtx ? State::DiscardTrailer : State::Discard;
        trailerLeft_ = 2;
        return Event::None;
      }
      frame_.push_back(byte);
      if (byte == kEtx) {
        state_ = State::Trailer;
        trailerLeft_ = 2;
      }
      return Event::None;
    case State::Trailer:
      frame_.push_back(byte);
      if (--trailerLeft_ > 0) return Event::None;
      state_ = State::Idle;
      return Event::Frame;
    case State::Discard:
      if (byte == kEtx) {
        state_ = State::DiscardTrailer;
        trailerLeft_ = 2;
      }
      return Event::None;
    case State::DiscardTrailer:
      if (--trailerLeft_ > 0) return Event::None;
      state_ = State::Idle;
      return Event::Overflow;
    case State::Block:
      feedBlock(&byte, 1);
      return Event::None;
  }
  return Event::None;
}

void RequestAssembler::expectBlock(std::size_t count, std::size_t keep) {
  state_ = State::Block;
  block_.clear();
  blockRemaining_ = count;
  blockKeep_ = keep;
  blockTruncated_ = false;
}

std::size_t RequestAssembler::feedBlock(const uint8_t* data, std::size_t size) {
  std::size_t take = std::min(size, blockRemaining_);
  std::size_t room = blockKeep_ > block_.size() ? blockKeep_ - block_.size() : 0;
  std::size_t store = std::min(take, room);
  block_.insert(block_.end(), data, data + store);
  if (store < take) blockTruncated_ = true;
  blockRemaining_ -= take;
  return take;
}

std::vector<uint8_t> RequestAssembler::takeBlock() {
  std::vector<uint8_t> data;
  data.swap(block_);
  state_ = State::Idle;
  return data;
}

void RequestAssembler::reset() {
  state_ = State::Idle;
  frame_.clear();
  block_.clear();
  blockRemaining_ = 0;
  blockTruncated_ = false;
}

}  // namespace varek::sim
