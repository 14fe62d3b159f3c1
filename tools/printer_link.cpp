#include "printer_link.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "VarekLib.h"

extern char** environ;

namespace varek::tool {

namespace {

constexpr int kStartLimitMs = 10'000;  // for the simulator to print its port
constexpr int kStopLimitMs = 5'000;    // for it to end after SIGTERM

// The simulator started by this process, stopped by the signal handler too, so
// that Ctrl+C during a demo leaves no virtual printer behind.
volatile sig_atomic_t runningSimulator = 0;

extern "C" void stopSimulatorAndDie(int signal) {
  if (runningSimulator > 0) kill(static_cast<pid_t>(runningSimulator), SIGTERM);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void stopSimulatorOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    action.sa_handler = stopSimulatorAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

bool isExecutable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0;
}

std::string ownDirectory() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string path(buffer.data(), static_cast<size_t>(length));
  return path.substr(0, path.find_last_of('/'));
}

std::string onPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (isExecutable(candidate)) return candidate;
  }
  return {};
}

// Milliseconds left until `deadline`, at least 0.
int msLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads one line from fd, waiting at most timeoutMs for it to complete.
bool readLine(int fd, std::string& line, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  line.clear();
  while (line.size() < 4096) {
    pollfd pfd{fd, POLLIN, 0};
    int ready = poll(&pfd, 1, msLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char c = 0;
    ssize_t got = read(fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (c == '\n') return true;
    line.push_back(c);
  }
  return false;
}

// Waits for the simulator's standard output to close, which it does by ending.
void waitForEof(int fd, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char sink[256];
  for (;;) {
    pollfd pfd{fd, POLLIN, 0};
    int ready = poll(&pfd, 1, msLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    ssize_t got = read(fd, sink, sizeof sink);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
  }
}

}  // namespace

std::string findSimulator(const Options& options) {
  if (!options.simPath.empty()) return options.simPath;
#ifdef VAREK_SIM_BUILD_PATH
  if (isExecutable(VAREK_SIM_BUILD_PATH)) return VAREK_SIM_BUILD_PATH;
#endif
  std::string dir = ownDirectory();
  for (const char* relative : {"/varek-sim", "/../simulator/varek-sim"}) {
    if (!dir.empty() && isExecutable(dir + relative)) return dir + relative;
  }
  return onPath("varek-sim");
}

PrinterLink::~PrinterLink() {
  disconnect();
}

bool PrinterLink::connect(const Options& options) {
  if (options.port.empty()) {
    if (!startSimulator(options)) return false;
  } else {
    portPath_ = options.port;
  }
  std::printf("Opening %s at %d baud\n", portPath_.c_str(), options.baud);
  std::fflush(stdout);
  int result = openPort(portPath_.c_str(), options.baud);
  if (result != VAREK_OK) {
    std::fprintf(stderr, "varek: cannot open %s: %s\n", portPath_.c_str(),
                 describeResult(result).c_str());
    return false;
  }
  return true;
}

bool PrinterLink::startSimulator(const Options& options) {
  std::string program = findSimulator(options);
  if (program.empty()) {
    std::fprintf(stderr, "varek: varek-sim not found; build it or name it with --sim PATH\n");
    return false;
  }
  char dirTemplate[] = "/tmp/varek-demo-XXXXXX";
  if (!mkdtemp(dirTemplate)) {
    std::fprintf(stderr, "varek: cannot create a temporary directory: %s\n", std::strerror(errno));
    return false;
  }
  workDir_ = dirTemplate;
  paperFile_ = workDir_ + "/paper.txt";

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "varek: pipe: %s\n", std::strerror(errno));
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::vector<std::string> argStrings = {program, "--paper", paperFile_};
  std::vector<char*> args;
  for (auto& arg : argStrings) args.push_back(arg.data());
  args.push_back(nullptr);
  stopSimulatorOnSignals();
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  simOutput_ = pipeFds[0];
  if (spawned != 0) {
    std::fprintf(stderr, "varek: cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
    return false;
  }
  simPid_ = pid;
  runningSimulator = static_cast<sig_atomic_t>(pid);
  if (!readLine(simOutput_, portPath_, kStartLimitMs) || portPath_.empty()) {
    std::fprintf(stderr, "varek: %s did not report its port\n", program.c_str());
    return false;
  }
  std::printf("Virtual printer started (%s), port %s\n", program.c_str(), portPath_.c_str());
  std::fflush(stdout);
  return true;
}

std::string PrinterLink::takeNewPaper() {
  if (paperFile_.empty()) return {};
  std::ifstream file(paperFile_, std::ios::binary);
  if (!file) return {};
  file.seekg(static_cast<std::streamoff>(paperRead_));
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  paperRead_ += text.size();
  return text;
}

void PrinterLink::disconnect() {
  if (simPid_ > 0) {
    kill(simPid_, SIGTERM);
    waitForEof(simOutput_, kStopLimitMs);
    int status = 0;
    if (waitpid(simPid_, &status, WNOHANG) == 0) {
      kill(simPid_, SIGKILL);
      waitpid(simPid_, &status, 0);
    }
    simPid_ = -1;
    runningSimulator = 0;
  }
  if (simOutput_ >= 0) {
    close(simOutput_);
    simOutput_ = -1;
  }
  if (!workDir_.empty()) {
    if (!paperFile_.empty()) unlink(paperFile_.c_str());
    rmdir(workDir_.c_str());
    workDir_.clear();
    paperFile_.clear();
  }
}

}  // namespace varek::tool
