#include "protocol/session.h"

#include <cstdio>
#include <cstring>

#include "VarekLib.h"

namespace varek {

namespace {

// Holds the session for the life of the process and releases the port when
// the library is unloaded or the process ends.
struct SessionHolder {
  SessionState state{};
  ~SessionHolder() {
    platform::closeSerialPort(state.port);
    state.port = {};
  }
};

SessionHolder holder;

void reportOpenFailure(const char* step, int error) {
  std::printf("%s failed with error %d.\n", step, error);
  std::fflush(stdout);
}

int32_t openSerialPort(const char* portName, int baudRate) {
  SessionState& s = session();
  s.batchMode = 0;
  s.debugLevel = 0;
  // Reconnecting: release the port held so far, so the same device can be
  // opened again.
  platform::closeSerialPort(s.port);
  s.port = {};

  platform::PortOpenResult opened = platform::openSerialPort(portName, baudRate);
  s.port = opened.handle;
  switch (opened.stage) {
    case platform::PortOpenStage::OpenFailed:
      reportOpenFailure("CreateFile", opened.error);
      return VAREK_ERR_PORT_OPEN;
    case platform::PortOpenStage::ReadConfigFailed:
      reportOpenFailure("GetCommState", opened.error);
      return VAREK_ERR_PORT_GET_CONFIG;
    case platform::PortOpenStage::ApplyConfigFailed:
      reportOpenFailure("SetCommState", opened.error);
      return VAREK_ERR_PORT_SET_CONFIG;
    case platform::PortOpenStage::Opened:
      break;
  }
  clearTxFrame();
  clearRxFrame();
  return VAREK_OK;
}

}  // namespace

SessionState& session() {
  return holder.state;
}

void clearTxFrame() {
  SessionState& s = session();
  std::memset(s.txFrame, 0, sizeof s.txFrame);
  s.txLength = 0;
  s.requestOverflow = false;
}

void clearRxFrame() {
  SessionState& s = session();
  std::memset(s.rxFrame, 0, sizeof s.rxFrame);
  s.rxLength = 0;
}

}  // namespace varek

using varek::session;

extern "C" {

VAREK_API int openPort(const char* portName, int baudRate) {
  session().amountDecimals = 2;
  session().quantityDecimals = 3;
  session().percentDecimals = 3;
  return varek::openSerialPort(portName, baudRate);
}

// The port stays held by the session: callers rely on a port that keeps
// working after closePort. openPort releases it when reconnecting.
VAREK_API int closePort(void) {
  return VAREK_OK;
}

VAREK_API int setDebugLevel(int level) {
  return session().debugLevel = level;
}
VAREK_API int getDriverVersion(void) {
  return varek::kDriverVersion;
}
VAREK_API int setAmountDecimalPlaces(int places) {
  return session().amountDecimals = places;
}
VAREK_API int setQuantityDecimalPlaces(int places) {
  return session().quantityDecimals = places;
}
VAREK_API int setPercentageDecimalPlaces(int places) {
  return session().percentDecimals = places;
}
VAREK_API int getAmountDecimalPlaces(void) {
  return session().amountDecimals;
}
VAREK_API int getQuantityDecimalPlaces(void) {
  return session().quantityDecimals;
}
VAREK_API int getPercentageDecimalPlaces(void) {
  return session().percentDecimals;
}

}  // extern "C"
