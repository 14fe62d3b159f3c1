// The register's shift and its fiscal memory: the figures of the working shift
// (kept in the shared counters, where the sales put them), closing a shift into
// the fiscal memory, and the dates the reports take. Used by the report and
// control-tape handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Handlers.h"
#include "varek_sim/RegisterModel.h"

namespace varek::sim {

// Refusals of the shift, fiscal-memory and control-tape commands (documented in README.md).
namespace errors {
inline constexpr uint8_t kShiftClosed = 0x40;    // Z report or emergency close without a shift
inline constexpr uint8_t kShiftOpen = 0x41;      // needs a closed shift (fiscalization, ECT)
inline constexpr uint8_t kNoZReport = 0x42;      // copy of the last Z report before the first
inline constexpr uint8_t kNotFiscalized = 0x43;  // copy of a registration that never happened
inline constexpr uint8_t kReversedRange = 0x44;  // report range that ends before it starts
inline constexpr uint8_t kEctNotActive = 0x45;   // control-tape command without an active ECT
inline constexpr uint8_t kEctActive = 0x46;      // activation while an ECT is still active
inline constexpr uint8_t kNotOnEct = 0x47;       // the shift or document is not on the ECT
}  // namespace errors

// The device's date now as YYYYMMDD.
int deviceDate(const ServiceState& service);

// A "DDMMYY" field (the year may have three digits, counted from 2000) as YYYYMMDD.
std::optional<int> parseDateField(const std::string& field);

// "DD.MM.YY" of a YYYYMMDD date.
std::string printedDate(int yyyymmdd);

// The figures of the working shift so far, as the fiscal memory would keep them.
FiscalRecord currentShiftFigures(const RegisterModel& model);

// The lines of an X or Z report of the working shift.
std::vector<std::string> shiftReportLines(const RegisterModel& model, const std::string& title,
                                          const std::string& text);

// Writes the working shift to the fiscal memory (and the active ECT), zeroes the shift
// counters and moves the shift number on. Returns the record written.
FiscalRecord closeShift(RegisterModel& model, bool emergency);

// One printed line for a record, and the totals of a list of records.
std::string recordLine(const FiscalRecord& record);
std::vector<std::string> totalsLines(const std::vector<FiscalRecord>& records);

// The range of a report request: its kind, then the first and last shift or the first and last
// date.
struct ReportRange {
  int kind = 0;
  bool byDate = false;
  int64_t from = 0;  // shift number or YYYYMMDD
  int64_t to = 0;
  std::string title;  // "SHIFTS 1 TO 5", "DATES 05.03.14 TO 06.03.14"
  bool contains(const FiscalRecord& record) const;
};

// Reads the first three fields of a report request; a refusal code when they are not a range.
std::optional<uint8_t> readRange(const Request& request, bool byDate, ReportRange& range);

// One line per record in the range for any kind but 0 (the short report), then the totals.
std::vector<std::string> rangeReport(const std::vector<FiscalRecord>& records,
                                     const ReportRange& range);

void printLines(Paper& paper, const std::vector<std::string>& lines);

}  // namespace varek::sim
