// Round trip of a field-less query through the library against the virtual
// printer on a pty, next to the floor for this design: a bare loop that writes
// the same frame and reads the reply byte by byte with poll and read. Also the
// CPU time used while waiting out a silent 10-second reply.
//
//   build/default/bench/bench_exchange
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"
#include "varek_sim/VirtualPrinter.h"

namespace {

constexpr uint8_t kStatus = 0x00;

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void LibraryRoundTrip(benchmark::State& state) {
  varek::sim::VirtualPrinter printer;
  printer.start();
  if (openPort(printer.portPath().c_str(), 115200) != VAREK_OK) {
    state.SkipWithError("openPort failed");
    return;
  }
  for (auto _ : state) {
    ReplyRecord record = varek::queryCommand(kStatus);
    if (record.result != VAREK_OK) state.SkipWithError("exchange failed");
    benchmark::DoNotOptimize(record);
    printer.clearTranscript();
  }
}
BENCHMARK(LibraryRoundTrip)->UseRealTime();

// The same frame, written and answered without the library: one write, then
// poll and a single-byte read until two bytes after the ETX.
void BareLoopRoundTrip(benchmark::State& state) {
  varek::sim::VirtualPrinter printer;
  printer.start();
  int fd = open(printer.portPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  varek::beginRequest(kStatus);
  varek::sealRequest();
  const auto& s = varek::session();
  std::string frame(reinterpret_cast<const char*>(s.txFrame), static_cast<size_t>(s.txLength));
  for (auto _ : state) {
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
      state.SkipWithError("write failed");
      break;
    }
    int trailer = 0;
    while (trailer < 3) {
      uint8_t byte = 0;
      if (read(fd, &byte, 1) != 1) {
        pollfd waiter{fd, POLLIN, 0};
        poll(&waiter, 1, 10000);
        continue;
      }
      if (trailer > 0) ++trailer;
      if (byte == 0x03) trailer = 1;
    }
    printer.clearTranscript();
  }
  close(fd);
}
BENCHMARK(BareLoopRoundTrip)->UseRealTime();

// CPU time of the whole process over one silent 10-second wait.
void SilentReplyWaitCpu(benchmark::State& state) {
  varek::sim::VirtualPrinter printer;
  printer.start();
  openPort(printer.portPath().c_str(), 115200);
  for (auto _ : state) {
    printer.pushFault(varek::sim::Fault::Silence());
    double before = cpuSeconds();
    int32_t result = varek::simpleCommand(kStatus);
    double used = cpuSeconds() - before;
    state.counters["cpu_seconds"] = used;
    state.counters["cpu_percent_of_10s"] = used / 10.0 * 100.0;
    if (result != VAREK_ERR_TIMEOUT) state.SkipWithError("expected a time-out");
  }
}
BENCHMARK(SilentReplyWaitCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
