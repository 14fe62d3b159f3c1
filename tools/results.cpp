// How results are shown: the code and what it means, next to the call that
// produced it.
#include <cstdio>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "tool.h"

namespace varek::tool {

namespace {

const char* libraryResultText(int result) {
  switch (result) {
    case VAREK_OK:
      return "ok";
    case VAREK_ERR_NO_STX:
      return "reply does not begin with STX";
    case VAREK_ERR_PACKET_ID:
      return "reply echoes another packet id";
    case VAREK_ERR_COMMAND_CHAR1:
    case VAREK_ERR_COMMAND_CHAR2:
      return "reply belongs to another command";
    case VAREK_ERR_NO_ETX:
      return "reply does not end with ETX";
    case VAREK_ERR_CHECKSUM:
      return "reply checksum is wrong";
    case VAREK_ERR_WRITE:
      return "the port did not take the whole request";
    case VAREK_ERR_SHORT_REPLY:
      return "reply shorter than 9 bytes";
    case VAREK_ERR_TIMEOUT:
      return "no complete reply within 10 seconds";
    case VAREK_ERR_FIELD_COUNT:
      return "reply has an unexpected number of fields";
    case VAREK_ERR_COUNTER_TYPE:
      return "counter type outside 1 to 14";
    case VAREK_ERR_FRAME_TOO_LONG:
      return "request does not fit a frame";
    case VAREK_ERR_REPLY_TOO_LONG:
      return "reply longer than a frame";
    case VAREK_ERR_ERROR_CODE:
      return "reply error code is not hexadecimal";
    case VAREK_ERR_BATCH_NO_REPLY:
      return "no reply read in batch mode";
    case VAREK_ERR_FILE_OPEN:
      return "file could not be opened";
    case VAREK_ERR_NO_MEMORY:
      return "out of memory";
    case VAREK_ERR_FILE_WRITE:
      return "file not written in full";
    case VAREK_ERR_NO_PORT:
      return "no port is open";
    case VAREK_ERR_PORT_OPEN:
      return "the port could not be opened";
    case VAREK_ERR_PORT_GET_CONFIG:
      return "the port settings could not be read";
    case VAREK_ERR_PORT_SET_CONFIG:
      return "the port settings could not be applied";
    default:
      return "unknown result";
  }
}

}  // namespace

std::string describeResult(int result) {
  char text[96];
  if (result >= VAREK_DEVICE_ERROR_MIN && result <= VAREK_DEVICE_ERROR_MAX) {
    std::snprintf(text, sizeof text, "%d device error 0x%02X", result, result);
  } else {
    std::snprintf(text, sizeof text, "%d %s", result, libraryResultText(result));
  }
  return text;
}

void showCall(const std::string& call, int result, const char* note) {
  std::printf("  %-68s -> %s%s%s\n", call.c_str(), describeResult(result).c_str(), note ? "  " : "",
              note ? note : "");
  std::fflush(stdout);
}

std::vector<std::string> replyFields(const ReplyRecord& record) {
  std::vector<std::string> fields;
  std::string field;
  const int end = record.length - 3;  // the ETX
  for (int i = 6; i < end && i < VAREK_REPLY_RECORD_RAW_SIZE; ++i) {
    if (record.raw[i] == 0x1C) {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(static_cast<char>(record.raw[i]));
    }
  }
  return fields;
}

std::string joinFields(const std::vector<std::string>& fields) {
  std::string text;
  for (const auto& field : fields) text += (text.empty() ? "" : " | ") + field;
  return text;
}

std::string quoted(const char* text) {
  return std::string("\"") + (text ? text : "") + "\"";
}

}  // namespace varek::tool
