// Decoding of reply payloads: runs of fields, each ended by FS. Each parser
// takes fixed field positions and demands an exact field count (1010 when it
// differs). Outputs are written as their fields are reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varek {

// A field holds at most 31 characters; longer fields are cut to that and still
// count as one field. Callers' text buffers must hold 32 bytes.
inline constexpr size_t kFieldCapacity = 31;

enum class ValueKind : int32_t { Integer = 1, Amount = 2 };

// Signed decimal in the manner of atoi (leading blanks, optional sign, digits
// up to the first other character; no digits gives 0). Nothing when the value
// does not fit 32 bits.
std::optional<int32_t> parseIntegerText(std::string_view text);
// Exact decimal scaled by 10^decimals, digits beyond the decimals truncated
// toward zero ("0.29" with 2 gives 29). Nothing when it does not fit 32 bits.
std::optional<int32_t> parseAmountText(std::string_view text, int32_t decimals);

int32_t parseSingleInt(int32_t* value);
int32_t parseSecondText(char* text);
int32_t parseThreeInts(int32_t* first, int32_t* second, int32_t* third);
// Fields 1..count into values[0..count-1], as integers (kind 1) or amounts
// (kind 2); any other kind writes nothing. Needs exactly count + 1 fields.
int32_t parseValueList(int32_t* values, int32_t count, int32_t kind);
// Field 1 as text (also appended to the log), fields 2..13 alternately integer
// and amount into values[0..11]. Needs exactly 14 fields.
int32_t parseRegisterTable(int32_t* values, char* text);

}  // namespace varek
