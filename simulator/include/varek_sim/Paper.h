// The virtual printer's paper roll: everything printed, kept in memory and optionally appended
// to a file so that a person (or a test in another process) can read the receipts.
#pragma once

#include <cstddef>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace varek::sim {

class Paper {
 public:
  Paper(std::string filePath, std::size_t memoryLimit);

  void printLine(std::string_view line);  // one line of text and its line feed
  void feedLine();                        // a blank line
  std::string text() const;
  void clear();  // the in-memory copy only; the file keeps what was printed

 private:
  void append(std::string_view text);

  mutable std::mutex mutex_;
  std::string text_;
  std::size_t memoryLimit_;
  std::ofstream file_;
};

}  // namespace varek::sim
