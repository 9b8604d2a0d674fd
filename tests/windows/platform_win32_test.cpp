// The Windows files behind the per-OS interfaces, on real files in a folder whose name is not
// ASCII: the folder lock, the safe writes and moves, files opened by UTF-8 path, folder making,
// and the COM port names.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/port_choice.h"
#include "cli/console.h"
#include "cli/terminal_style.h"
#include "serial/serial_device.h"
#include "support/temp_folder.h"
#include "util/atomic_file.h"
#include "util/folder_lock.h"
#include "util/process_info.h"
#include "util/utf8_path.h"
#include "util/wide_text.h"

namespace q7310 {
namespace {

class Win32Files : public ::testing::Test {
 protected:
  std::string Read(const std::string& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) return "<missing>";
    std::string text;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    std::fclose(file);
    return text;
  }

  testing::TempFolder scratch{Utf8Path("q7310-Prüfung-日本")};
  const std::string folder = Utf8String(scratch.Path());
};

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST_F(Win32Files, FolderLockKeepsOutASecondHolderUntilReleased) {
  FolderLock first, second;
  ASSERT_EQ(first.Take(folder), FolderLock::Result::kTaken);
  EXPECT_EQ(second.Take(folder), FolderLock::Result::kBusy);
  first.Release();
  EXPECT_EQ(second.Take(folder), FolderLock::Result::kTaken);
  std::string error;
  EXPECT_EQ(first.Take(folder + "/no-such-folder", &error), FolderLock::Result::kFailed);
  EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
}

TEST_F(Win32Files, AtomicWritesReplaceAndMovesDoNot) {
  const std::string path = folder + "/BACKUP.BIN";
  ASSERT_TRUE(WriteFileAtomically(path, Bytes("first")));
  ASSERT_TRUE(WriteFileAtomically(path, Bytes("second, longer")));
  EXPECT_EQ(Read(path), "second, longer");

  std::string error;
  const std::string tmp = WriteTemporaryFile(path, Bytes("copy"), &error);
  ASSERT_FALSE(tmp.empty()) << error;
  EXPECT_TRUE(IsTemporaryFileName(Utf8String(Utf8Path(tmp).filename())));
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, path), MoveResult::kNameTaken);
  EXPECT_EQ(Read(path), "second, longer");
  EXPECT_EQ(Read(tmp), "copy");
  // A move that fails for another reason says the system's own words for it.
  std::string reason;
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, folder + "/missing/BACKUP-1.BIN", &reason),
            MoveResult::kFailed);
  constexpr unsigned long kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND; <windows.h> clashes here
  EXPECT_EQ(reason, Win32ErrorText(kPathNotFound));
  EXPECT_EQ(MoveIntoPlaceWithoutReplacing(tmp, folder + "/BACKUP-2.BIN"), MoveResult::kMoved);
  EXPECT_EQ(Read(folder + "/BACKUP-2.BIN"), "copy");
  RemoveFile(folder + "/BACKUP-2.BIN");
  EXPECT_EQ(Read(folder + "/BACKUP-2.BIN"), "<missing>");

  EXPECT_FALSE(WriteFileAtomically(folder + "/missing/x.bin", Bytes("x"), &error));
  EXPECT_NE(error.find("cannot create a file beside"), std::string::npos) << error;
}

TEST_F(Win32Files, FilesOpenedForReadingMayStillBeRemoved) {
  const std::string path = folder + "/UPDATE.BIN";
  ASSERT_TRUE(WriteFileAtomically(path, Bytes("image")));
  std::FILE* open = OpenFile(path, "rb");
  ASSERT_NE(open, nullptr);
  RemoveFile(path);
  std::fclose(open);
  EXPECT_FALSE(std::filesystem::exists(Utf8Path(path)));
  std::string reason;
  EXPECT_EQ(OpenFile(path, "rb", &reason), nullptr);
  EXPECT_EQ(reason, std::strerror(ENOENT));
}

TEST_F(Win32Files, FoldersAreMadeWithTheirParents) {
  const std::string deep = folder + "/a/ü/b";
  std::string error;
  ASSERT_TRUE(MakeFolders(deep, &error)) << error;
  EXPECT_TRUE(std::filesystem::is_directory(Utf8Path(deep)));
  EXPECT_TRUE(FolderWritable(deep));
  ASSERT_TRUE(WriteFileAtomically(folder + "/file", Bytes("x")));
  EXPECT_FALSE(MakeFolders(folder + "/file/sub", &error));
}

TEST(Win32Paths, FilesJoinTheirFolderWithTheSeparatorItUses) {
  EXPECT_EQ(JoinPath("Z:\\tmp\\app", "BACKUP.BIN"), "Z:\\tmp\\app\\BACKUP.BIN");
  EXPECT_EQ(JoinPath("Z:\\tmp\\app\\", "BACKUP.BIN"), "Z:\\tmp\\app\\BACKUP.BIN");
  EXPECT_EQ(JoinPath("C:/Users/tech/q7310", "BACKUP.BIN"), "C:/Users/tech/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("C:/Users/tech/q7310/", "BACKUP.BIN"), "C:/Users/tech/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("", "BACKUP.BIN"), "BACKUP.BIN");
}

TEST(Win32Ports, PortNumbersNameTheirComPortAlsoAboveNine) {
  EXPECT_EQ(SerialDevice::PathForPortNumber(0), "");
  EXPECT_EQ(SerialDevice::PathForPortNumber(1), "\\\\.\\COM1");
  EXPECT_EQ(SerialDevice::PathForPortNumber(12), "\\\\.\\COM12");
  // A port that is not there: the platform-neutral kind and the system's text.
  auto device = SerialDevice::Create();
  std::string detail;
  EXPECT_EQ(device->Open("COM199", LineSettings{}, detail), SerialError::NotFound);
  EXPECT_NE(detail.find("COM199"), std::string::npos);
  EXPECT_GT(detail.size(), std::string("\\\\.\\COM199: ").size()) << detail;
  EXPECT_FALSE(device->IsOpen());
}

TEST(Win32Ports, PortsAreNamedAsWindowsNamesThem) {
  EXPECT_EQ(ParsePortName("COM3"), (PortName{3, {}}));
  EXPECT_EQ(ParsePortName("com12"), (PortName{12, {}}));
  EXPECT_EQ(ParsePortName("7"), (PortName{7, {}}));
  EXPECT_EQ(ParsePortName("\\\\.\\CNCA0"), (PortName{0, "\\\\.\\CNCA0"}));
  // Linux's device names mean nothing here.
  EXPECT_FALSE(ParsePortName("/dev/ttyUSB0"));
  EXPECT_FALSE(ParsePortName("ttyUSB0"));
  // A port named by its device is the listed COM port of that number.
  SerialPortInfo listed;
  listed.device = "COM12";
  listed.portNumber = 12;
  listed.vendorId = "0403";
  listed.productId = "6001";
  listed.description = "FTDI USB Serial Port";
  const PortChoice choice = ChoosePortToOpen(PortName{0, "\\\\.\\COM12"}, {listed});
  ASSERT_TRUE(choice.info);
  EXPECT_EQ(DescribeChoice(choice), "\\\\.\\COM12 (FTDI USB Serial Port, 0403:6001)");
  EXPECT_EQ(DescribeChoice(ChoosePortToOpen(std::nullopt, {})), "COM1 (port 1)");
}

TEST(Win32Console, NoBarsOrColoursWhereNoConsoleTakesTheSequences) {
  // A file is no console: asking it for the control sequences fails, so no bar is redrawn and
  // nothing is coloured in it.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(cli::EnableTerminalSequences(file));
  const cli::TerminalStyle style = cli::DetectTerminalStyle(file);
  EXPECT_FALSE(style.redraw);
  EXPECT_FALSE(style.color);
  std::fclose(file);
}

}  // namespace
}  // namespace q7310
