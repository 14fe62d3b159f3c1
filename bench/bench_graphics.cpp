// Graphics upload and logo export through the library against the virtual
// printer on a pty. The printer runs in a child process, so that the memory
// figures of this process are the library's (and the caller's) alone.
//
//   build/<dir>/bench/bench_graphics
//
// Upload: receipt designs of 64 KiB to 16 MiB. The caller's data are resident
// before the measurement starts, so `peak_rss_growth_KiB` is what the transfer
// needed beyond them, and `heap_bytes_per_upload` what it allocated (the
// benchmark loop's own few bytes included). Both must stay flat as the upload
// grows.
// Logo export: a 255-row logo (512 memory reads) written to a bitmap file.
// The counting operator new below hands out malloc'ed memory and its delete
// frees it; GCC cannot see that they pair up.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "commands/logo_export.h"
#include "varek_sim/VirtualPrinter.h"

namespace {

std::atomic<size_t> heapBytes{0};

std::string portPath;
pid_t printerPid = -1;

// A status line of /proc/self/status in KiB ("VmHWM", "VmRSS").
long statusKiB(const char* name) {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == std::string(name) + ":") {
      long value = 0;
      status >> value;
      return value;
    }
    status.ignore(4096, '\n');
  }
  return -1;
}

// Resets the peak resident set (VmHWM) to the current one.
void resetPeakRss() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Forks the virtual printer before any thread exists here and learns its port.
bool startPrinterProcess() {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  printerPid = fork();
  if (printerPid < 0) return false;
  if (printerPid == 0) {
    close(pipeFds[0]);
    varek::sim::Options options;
    options.transcriptBytes = 1 << 20;
    options.transcriptRequests = 1000;
    varek::sim::VirtualPrinter printer(options);
    printer.start();
    std::string line = printer.portPath() + "\n";
    if (write(pipeFds[1], line.data(), line.size()) < 0) _exit(1);
    pause();  // until the benchmark ends and kills it
    _exit(0);
  }
  close(pipeFds[1]);
  char buffer[256] = {};
  ssize_t n = read(pipeFds[0], buffer, sizeof buffer - 1);
  close(pipeFds[0]);
  if (n <= 1) return false;
  portPath.assign(buffer, static_cast<size_t>(n - 1));
  return true;
}

void stopPrinterProcess() {
  if (printerPid > 0) {
    kill(printerPid, SIGTERM);
    waitpid(printerPid, nullptr, 0);
  }
}

void Upload(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED || openPort(portPath.c_str(), 115200) != VAREK_OK) {
    state.SkipWithError("setup failed");
    return;
  }
  auto* data = static_cast<unsigned char*>(mapped);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7);
  resetPeakRss();
  const long rssBefore = statusKiB("VmRSS");
  size_t heapBefore = heapBytes.load();
  for (auto _ : state) {
    if (libLoadReceiptDesign(static_cast<int>(size), data) != VAREK_OK)
      state.SkipWithError("upload failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["heap_bytes_per_upload"] =
      static_cast<double>(heapBytes.load() - heapBefore) / static_cast<double>(state.iterations());
  state.counters["peak_rss_growth_KiB"] = static_cast<double>(statusKiB("VmHWM") - rssBefore);
  state.counters["peak_rss_KiB"] = static_cast<double>(statusKiB("VmHWM"));
  munmap(mapped, size);
}
BENCHMARK(Upload)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void LogoExport255Rows(benchmark::State& state) {
  if (openPort(portPath.c_str(), 115200) != VAREK_OK) {
    state.SkipWithError("openPort failed");
    return;
  }
  std::vector<unsigned char> logo(255 * 72);
  for (size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<unsigned char>(i * 13);
  if (libLoadLogo(static_cast<int>(logo.size()), logo.data()) != VAREK_OK) {
    state.SkipWithError("logo upload failed");
    return;
  }
  char directory[] = "/tmp/varek-bench-XXXXXX";
  if (!mkdtemp(directory)) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string path = std::string(directory) + "/logo.bmp";
  resetPeakRss();
  const long rssBefore = statusKiB("VmRSS");
  size_t heapBefore = heapBytes.load();
  for (auto _ : state) {
    if (saveLogoToFile(path.c_str()) != VAREK_OK) state.SkipWithError("export failed");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 255));  // rows
  state.counters["heap_bytes_per_export"] =
      static_cast<double>(heapBytes.load() - heapBefore) / static_cast<double>(state.iterations());
  state.counters["peak_rss_growth_KiB"] = static_cast<double>(statusKiB("VmHWM") - rssBefore);
  std::remove(path.c_str());
  rmdir(directory);
}
BENCHMARK(LogoExport255Rows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Counts the heap bytes requested through operator new; the export's picture
// buffer (malloc) is counted through its allocation hook in main.
void* operator new(size_t size) {
  heapBytes.fetch_add(size, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

int main(int argc, char** argv) {
  if (!startPrinterProcess()) {
    std::fprintf(stderr, "could not start the virtual printer\n");
    return 1;
  }
  varek::setPictureAllocator([](size_t size) {
    heapBytes.fetch_add(size, std::memory_order_relaxed);
    return std::malloc(size);
  });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  stopPrinterProcess();
  return 0;
}
