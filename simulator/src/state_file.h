// Keeps the whole register model in a file, so that the virtual printer keeps its shift, fiscal
// memory, counters, clock, settings and pictures across a restart, as a real register keeps them
// across a power cut. The file is text, one "key=value" line per item.
#pragma once

#include <string>

#include "varek_sim/RegisterModel.h"

namespace varek::sim {

class StateFile {
 public:
  explicit StateFile(std::string path);

  // Overwrites `model` with what the file holds; items the file lacks keep their value. A missing
  // file leaves the model as it is. Throws std::runtime_error for a file that is not a state file
  // (so that it is never overwritten) or cannot be read.
  void load(RegisterModel& model);

  // Writes the model when it differs from what was last written: to a temporary file beside the
  // target, renamed over it, so that a crash leaves the old state or the new one, never half.
  // Returns false when the file could not be written.
  bool save(const RegisterModel& model);

  static std::string serialize(const RegisterModel& model);
  // Applies the text of a state file to `model`; false when the text is not one.
  static bool deserialize(const std::string& text, RegisterModel& model);

 private:
  std::string path_;
  std::string lastSaved_;
};

}  // namespace varek::sim
