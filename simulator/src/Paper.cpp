#include "varek_sim/Paper.h"

namespace varek::sim {

Paper::Paper(std::string filePath, std::size_t memoryLimit) : memoryLimit_(memoryLimit) {
  if (!filePath.empty()) file_.open(filePath, std::ios::out | std::ios::app | std::ios::binary);
}

void Paper::printLine(std::string_view line) {
  std::string withFeed(line);
  withFeed.push_back('\n');
  append(withFeed);
}

void Paper::feedLine() {
  append("\n");
}

void Paper::append(std::string_view text) {
  std::lock_guard lock(mutex_);
  text_.append(text);
  if (text_.size() > memoryLimit_) {
    // Keep the newest half: the roll in memory is a view of the recent receipts, the file is
    // the full record.
    text_.erase(0, text_.size() - memoryLimit_ / 2);
  }
  if (file_.is_open()) {
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    file_.flush();
  }
}

std::string Paper::text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void Paper::clear() {
  std::lock_guard lock(mutex_);
  text_.clear();
}

}  // namespace varek::sim
