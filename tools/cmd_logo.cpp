// varek logo save FILE.bmp: reads the logo stored in the printer and writes it
// as a 1-bit bitmap, with a progress bar (the export makes two reads per row,
// which takes a while on a slow line).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "VarekLib.h"
#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

namespace {

constexpr int kBarWidth = 40;

struct ProgressBar {
  bool interactive = isatty(STDERR_FILENO) != 0;
  int lastShown = -1;
};

// On a terminal the bar is redrawn in place; into a file or pipe only the
// start and the end are written, so logs stay readable.
void showProgress(int rowsDone, int rowsTotal, void* context) {
  auto* bar = static_cast<ProgressBar*>(context);
  const bool finished = rowsDone >= rowsTotal;
  if (!bar->interactive && rowsDone != 0 && !finished) return;
  if (rowsDone == bar->lastShown) return;
  bar->lastShown = rowsDone;
  const int filled = rowsTotal > 0 ? rowsDone * kBarWidth / rowsTotal : kBarWidth;
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " +
                     std::to_string(rowsDone) + "/" + std::to_string(rowsTotal) + " rows";
  std::fprintf(stderr, bar->interactive ? "\r%s" : "%s\n", line.c_str());
  if (bar->interactive && finished) std::fputc('\n', stderr);
  std::fflush(stderr);
}

int saveLogo(const Options& options, const std::string& path) {
  PrinterLink link;
  if (!link.connect(options)) return 1;
  ProgressBar bar;
  const int result = saveLogoToFileWithProgress(path.c_str(), showProgress, &bar);
  if (bar.interactive && bar.lastShown >= 0 && result != VAREK_OK) std::fputc('\n', stderr);
  showCall("saveLogoToFile(" + quoted(path.c_str()) + ")", result);
  return result == VAREK_OK ? 0 : 1;
}

}  // namespace

int runLogo(const Options& options) {
  if (options.args.size() == 2 && options.args[0] == "save")
    return saveLogo(options, options.args[1]);
  std::fprintf(stderr, "usage: varek logo save FILE.bmp [--port PORT] [--baud RATE]\n");
  return 2;
}

}  // namespace varek::tool
