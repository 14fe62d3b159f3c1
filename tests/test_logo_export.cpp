// Logo export against the virtual printer: the memory reads, the conversion of
// the rows, the bitmap file byte for byte, and the failures that must leave no
// file behind (and an older file at the path untouched).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "commands/logo_export.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

using namespace varek;
using namespace varek::test;
using sim::Fault;
namespace fs = std::filesystem;

namespace {

constexpr uint8_t kReadMemory = 0x91;
constexpr int kHeaderKind = 5;  // the descriptor may name any kind; rows are always in kind 4
constexpr uint32_t kLogoAddress = 0x1234;

std::string hexText(const std::vector<uint8_t>& bytes, bool lowerCase = false) {
  static const char* upper = "0123456789ABCDEF";
  static const char* lower = "0123456789abcdef";
  const char* digits = lowerCase ? lower : upper;
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The dot bytes (4-75) of device row r in the tests' logo.
uint8_t dotByte(int row, int column) {
  return static_cast<uint8_t>(row * 31 + column * 7 + 1);
}

// A device memory with a logo of `rows` rows laid out as the export expects:
// descriptor at kind 6 address 0, header at kHeaderKind / kLogoAddress, rows of
// 80 bytes in kind 4 whose bytes 0-3 and 76-79 must never reach the file.
struct DeviceMemory {
  std::map<int, std::vector<uint8_t>> kinds;
  std::vector<std::string> reads;  // "kind/address/length" of each request
  // Changes the hex text of a reply: (read index, text) -> text.
  std::function<std::string(size_t, std::string)> edit;
  std::mutex mutex;

  explicit DeviceMemory(int rows) {
    auto& descriptor = kinds[6];
    descriptor = {static_cast<uint8_t>(kHeaderKind), 0x34, 0x12, 0x00, 0x00};
    descriptor.resize(64);
    auto& header = kinds[kHeaderKind];
    header.resize(kLogoAddress + 2);
    header[kLogoAddress] = static_cast<uint8_t>(rows);
    header[kLogoAddress + 1] = 0x77;
    auto& memory = kinds[4];
    memory.assign(kLogoAddress + 2 + static_cast<size_t>(rows) * 80 + 16, 0xEE);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < 72; ++c)
        memory[kLogoAddress + 2 + static_cast<size_t>(r) * 80 + 4 + c] = dotByte(r, c);
  }

  sim::Reply serve(const sim::Request& request) {
    std::lock_guard lock(mutex);
    const int kind = std::stoi(request.fields[0]);
    const size_t address = std::stoul(request.fields[1]);
    const size_t length = std::stoul(request.fields[2]);
    reads.push_back(request.fields[0] + "/" + request.fields[1] + "/" + request.fields[2]);
    std::vector<uint8_t> bytes(length, 0);
    const auto& memory = kinds[kind];
    for (size_t i = 0; i < length && address + i < memory.size(); ++i)
      bytes[i] = memory[address + i];
    sim::Reply reply;
    std::string text = hexText(bytes);
    reply.rawPayload = edit ? edit(reads.size() - 1, text) : text;
    return reply;
  }
};

// The file the export must write for device rows `rows` of dot bytes.
std::string expectedBitmap(int rows) {
  const uint32_t bits = 72u * static_cast<uint32_t>(rows);
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  std::string file = "BM" + le(62 + bits, 4) + le(0, 4) + le(62, 4) + le(40, 4) + le(576, 4) +
                     le(static_cast<uint32_t>(rows), 4) + le(1, 2) + le(1, 2) + le(0, 4) +
                     le(bits, 4) + le(0, 4) + le(0, 4) + le(2, 4) + le(0, 4) +
                     std::string("\0\0\0\0\xFF\xFF\xFF\0", 8);
  for (int r = rows - 1; r >= 0; --r)
    for (int c = 0; c < 72; ++c) file += static_cast<char>(~dotByte(r, c));
  return file;
}

class LogoExport : public PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    useMemory(3);
  }
  void TearDown() override { setPictureAllocator(nullptr); }

  void useMemory(int rows) {
    memory = std::make_unique<DeviceMemory>(rows);
    printer.setHandler(kReadMemory,
                       [m = memory.get()](const sim::Request& r) { return m->serve(r); });
  }

  // Names in the directory other than `keep`: a failed export leaves none.
  static std::vector<std::string> strayFiles(const std::string& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("."))
      if (entry.path().filename() != keep) names.push_back(entry.path().filename());
    return names;
  }

  std::unique_ptr<DeviceMemory> memory;
  TempDir dir;
};

}  // namespace

TEST_F(LogoExport, RowCountsGiveTheExactFile) {
  for (int rows : {0, 1, 3, 255}) {
    SCOPED_TRACE(rows);
    useMemory(rows);
    ASSERT_EQ(saveLogoToFile("logo.bmp"), VAREK_OK);
    EXPECT_EQ(readFile("logo.bmp"), expectedBitmap(rows));

    std::vector<std::string> expectedReads{"6/0/64", std::to_string(kHeaderKind) + "/4660/2"};
    for (int r = 0; r < rows; ++r) {
      expectedReads.push_back("4/" + std::to_string(kLogoAddress + 2 + 80 * r) + "/64");
      expectedReads.push_back("4/" + std::to_string(kLogoAddress + 66 + 80 * r) + "/16");
    }
    EXPECT_EQ(memory->reads, expectedReads);
  }
}

// A device row of all-ones dots is black across the width: zero bytes in the file.
TEST_F(LogoExport, SetDotsBecomeBlackAndHexIsReadInEitherCase) {
  useMemory(1);
  for (int c = 0; c < 72; ++c) memory->kinds[4][kLogoAddress + 6 + c] = 0xFF;
  memory->edit = [](size_t, std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(ch));
    return text;
  };
  ASSERT_EQ(saveLogoToFile("black.bmp"), VAREK_OK);
  EXPECT_EQ(readFile("black.bmp").substr(62), std::string(72, '\0'));
}

TEST_F(LogoExport, MalformedRepliesStayWithinTheBuffer) {
  struct Case {
    const char* what;
    std::function<std::string(size_t, std::string)> edit;
    size_t pictureBytes;
  };
  const Case cases[] = {
      // Every row read answers twice as much: still 72 bytes per row at most.
      {"long replies", [](size_t i, std::string t) { return i >= 2 ? t + t : t; }, 216},
      // The first read of row 0 lacks its last 8 bytes: 8 bytes fewer are collected.
      {"short reply",
       [](size_t i, std::string t) { return i == 2 ? t.substr(0, t.size() - 16) : t; }, 208},
      // Pairs that are not hexadecimal read as 0.
      {"bad pairs",
       [](size_t i, std::string t) { return i == 2 ? t.substr(0, 8) + "ZZ" + t.substr(10) : t; },
       216},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    useMemory(3);
    memory->edit = c.edit;
    ASSERT_EQ(saveLogoToFile("odd.bmp"), VAREK_OK);
    const std::string file = readFile("odd.bmp");
    ASSERT_EQ(file.size(), 62 + c.pictureBytes);
    const std::string sizeField{static_cast<char>(c.pictureBytes & 0xFF),
                                static_cast<char>(c.pictureBytes >> 8), 0, 0};
    EXPECT_EQ(file.substr(34, 4), sizeField) << "the sizes follow the bytes collected";
    EXPECT_EQ(file.substr(22, 4), std::string("\x03\0\0\0", 4)) << "the height stays the row count";
  }
  // Bad pairs: device row 0 (the file's last row) byte 4 read as 0, white once inverted.
  EXPECT_EQ(static_cast<uint8_t>(readFile("odd.bmp")[62 + 2 * 72]), 0xFF);
  // Short reply: the bytes it left unfilled are white, in the file's first row.
  useMemory(3);
  memory->edit = cases[1].edit;
  ASSERT_EQ(saveLogoToFile("short.bmp"), VAREK_OK);
  EXPECT_EQ(readFile("short.bmp").substr(62 + 64, 8), std::string(8, '\xFF'));
}

TEST_F(LogoExport, ProgressReportsEveryRow) {
  std::vector<std::pair<int, int>> calls;
  auto record = [](int done, int total, void* context) {
    static_cast<std::vector<std::pair<int, int>>*>(context)->emplace_back(done, total);
  };
  ASSERT_EQ(saveLogoToFileWithProgress("p.bmp", record, &calls), VAREK_OK);
  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
  EXPECT_EQ(readFile("p.bmp"), expectedBitmap(3));
}

TEST_F(LogoExport, ExistingFileIsReplacedWhole) {
  writeFile("logo.bmp", std::string(5000, 'x'));
  ASSERT_EQ(saveLogoToFile("logo.bmp"), VAREK_OK);
  EXPECT_EQ(readFile("logo.bmp"), expectedBitmap(3));
  EXPECT_TRUE(strayFiles("logo.bmp").empty());
}

// Replacing keeps what the path stands for: a symbolic link stays a link (its
// target is replaced), a file keeps its permissions, a device is written to.
TEST_F(LogoExport, ReplacementKeepsLinksPermissionsAndDevices) {
  writeFile("target.bmp", "old picture");
  chmod("target.bmp", 0600);
  fs::create_symlink("target.bmp", "link.bmp");
  ASSERT_EQ(saveLogoToFile("link.bmp"), VAREK_OK);
  EXPECT_TRUE(fs::is_symlink("link.bmp"));
  EXPECT_EQ(readFile("target.bmp"), expectedBitmap(3));
  struct stat info {};
  ASSERT_EQ(stat("target.bmp", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  fs::create_symlink("/dev/null", "null.bmp");
  EXPECT_EQ(saveLogoToFile("null.bmp"), VAREK_OK);
  EXPECT_TRUE(fs::is_symlink("null.bmp"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  ASSERT_EQ(mkfifo("unread.bmp", 0600), 0);
  EXPECT_EQ(saveLogoToFile("unread.bmp"), VAREK_ERR_FILE_OPEN) << "nobody reads: no wait";
}

// A failing read anywhere ends the export with its code; no file appears and
// an older one keeps its content.
TEST_F(LogoExport, FailingReadLeavesNoFile) {
  for (size_t failing : {0u, 1u, 2u, 5u, 7u}) {
    SCOPED_TRACE(failing);
    writeFile("old.bmp", "old picture");
    for (size_t i = 0; i < failing; ++i) printer.pushFault(Fault{});
    printer.pushFault(Fault::DeviceError(0x42));
    EXPECT_EQ(saveLogoToFile("old.bmp"), 0x42);
    EXPECT_EQ(saveLogoToFile("new.bmp"), VAREK_OK) << "the next export works";
    printer.clearFaults();
    fs::remove("new.bmp");
    EXPECT_EQ(readFile("old.bmp"), "old picture");
    EXPECT_TRUE(strayFiles("old.bmp").empty());
  }
}

TEST_F(LogoExport, FileErrors) {
  // A missing directory: 1100, after every read was made.
  EXPECT_EQ(saveLogoToFile("missing/logo.bmp"), VAREK_ERR_FILE_OPEN);
  EXPECT_EQ(memory->reads.size(), 2u + 2u * 3u);
  fs::create_directory("taken");
  EXPECT_EQ(saveLogoToFile("taken"), VAREK_ERR_FILE_OPEN);
  EXPECT_EQ(saveLogoToFile(nullptr), VAREK_ERR_FILE_OPEN);
  EXPECT_EQ(strayFiles("taken"), std::vector<std::string>{});
}

// A write that the file system refuses part-way (the file size limit here):
// 1102, and the old file is still whole.
TEST_F(LogoExport, ShortWriteKeepsTheOldFile) {
  writeFile("logo.bmp", "old picture");
  auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = saveLogoToFile("logo.bmp");
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, VAREK_ERR_FILE_WRITE);
  EXPECT_EQ(readFile("logo.bmp"), "old picture");
  EXPECT_TRUE(strayFiles("logo.bmp").empty());
}

TEST_F(LogoExport, AllocationFailure) {
  writeFile("logo.bmp", "old picture");
  setPictureAllocator([](size_t) -> void* { return nullptr; });
  EXPECT_EQ(saveLogoToFile("logo.bmp"), VAREK_ERR_NO_MEMORY);
  EXPECT_EQ(memory->reads.size(), 2u) << "no row is read without a buffer";
  EXPECT_EQ(readFile("logo.bmp"), "old picture");
}

TEST_F(LogoExport, NoPort) {
  const auto held = session().port;
  session().port = platform::PortHandle{};
  EXPECT_EQ(saveLogoToFile("logo.bmp"), VAREK_ERR_NO_PORT);
  session().port = held;
  EXPECT_FALSE(fs::exists("logo.bmp"));
}

namespace {

// Decodes a bitmap with Pillow (an independent decoder) and returns its size
// and one line per row, top row first, '#' for a black pixel and '.' for white.
std::string decodeWithPillow(const std::string& path) {
  const std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1]).convert('L')\n"
      "w, h = im.size\n"
      "print(w, h)\n"
      "px = im.load()\n"
      "for y in range(h):\n"
      "    print(''.join('#' if px[x, y] < 128 else '.' for x in range(w)))\n";
  writeFile("decode.py", script);
  const std::string command = "/usr/bin/python3 decode.py '" + path + "' > decoded.txt 2>&1";
  if (std::system(command.c_str()) != 0) return "decoder failed: " + readFile("decoded.txt");
  return readFile("decoded.txt");
}

// The picture the device prints for the uploaded rows: a set bit is a black dot.
std::string expectedPixels(const std::vector<uint8_t>& rows) {
  const size_t rowCount = rows.size() / 72;
  std::string text = "576 " + std::to_string(rowCount) + "\n";
  for (size_t r = 0; r < rowCount; ++r) {
    for (size_t x = 0; x < 576; ++x) text += (rows[r * 72 + x / 8] >> (7 - x % 8)) & 1 ? '#' : '.';
    text += '\n';
  }
  return text;
}

class LogoRoundTrip : public PrinterTest {
 protected:
  TempDir dir;
};

}  // namespace

TEST_F(LogoRoundTrip, UploadedLogoComesBackPixelForPixel) {
  for (int rowCount : {1, 40, 255}) {
    SCOPED_TRACE(rowCount);
    std::vector<uint8_t> rows(static_cast<size_t>(rowCount) * 72);
    for (size_t r = 0; r < static_cast<size_t>(rowCount); ++r)
      for (size_t x = 0; x < 576; ++x)
        if ((x + r) % 9 == 0 || x == r || x < 3 || r == 0)  // diagonals, a border, the top row
          rows[r * 72 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    ASSERT_EQ(libLoadLogo(static_cast<int>(rows.size()), rows.data()), VAREK_OK);
    ASSERT_EQ(saveLogoToFile("round.bmp"), VAREK_OK);
    EXPECT_EQ(decodeWithPillow("round.bmp"), expectedPixels(rows));
  }
}

TEST_F(LogoRoundTrip, DeletedOrRefusedLogo) {
  const std::vector<uint8_t> rows(144, 0xF0);
  ASSERT_EQ(libLoadLogo(144, rows.data()), VAREK_OK);
  const std::vector<uint8_t> tooMany(256 * 72, 0xFF);
  EXPECT_EQ(libLoadLogo(256 * 72, tooMany.data()), sim::errors::kBadFieldValue) << "256 rows";
  ASSERT_EQ(saveLogoToFile("kept.bmp"), VAREK_OK);
  EXPECT_EQ(decodeWithPillow("kept.bmp"), expectedPixels(rows));

  ASSERT_EQ(libDeleteLogo(), VAREK_OK);
  ASSERT_EQ(saveLogoToFile("empty.bmp"), VAREK_OK);
  EXPECT_EQ(readFile("empty.bmp"), expectedBitmap(0));
}

// The command-line tool exports the logo of a printer on a given port, with a
// progress bar on standard error.
TEST(LogoTool, SavesTheLogoOfThePrinterOnThePort) {
  TempDir dir;
  sim::VirtualPrinter printer;
  printer.start();
  std::vector<uint8_t> rows(72 * 5);
  for (size_t i = 0; i < rows.size(); i += 5) rows[i] = 0x81;
  printer.withModel([&rows](sim::RegisterModel& model) { model.graphics.logo = rows; });
  const std::string command = std::string(VAREK_BINARY_DIR) +
                              "/tools/varek logo save saved.bmp --port " + printer.portPath() +
                              " > out.txt 2> err.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << readFile("out.txt") << readFile("err.txt");
  EXPECT_EQ(decodeWithPillow("saved.bmp"), expectedPixels(rows));
  EXPECT_NE(readFile("err.txt").find("] 5/5 rows"), std::string::npos) << readFile("err.txt");
}
