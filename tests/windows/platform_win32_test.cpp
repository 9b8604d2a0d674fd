// The Windows files behind the per-OS interfaces, on real files in a folder whose name is not
// ASCII: the folder lock, the safe writes and moves, files opened by UTF-8 path, folder making,
// and the COM port names.
#include <gtest/gtest.h>
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/output_target.h"
#include "app/port_choice.h"
#include "app/texts.h"
#include "app/work_folder.h"
#include "backup/backup_history.h"
#include "cli/console.h"
#include "cli/shell_word.h"
#include "cli/terminal_style.h"
#include "serial/serial_device.h"
#include "support/temp_folder.h"
#include "util/atomic_file.h"
#include "util/file_identity.h"
#include "util/folder_lock.h"
#include "util/input_file.h"
#include "util/path_join.h"
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
  constexpr unsigned long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
  EXPECT_EQ(reason, Win32ErrorText(kFileNotFound));
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

// An unpacked zip works in its own folder; the same files installed by the .msi, which adds its
// mark beside them, work in %LOCALAPPDATA%\q7310, made when missing.
TEST_F(Win32Files, InstalledProgramsKeepTheirFilesInLocalAppData) {
  const std::string program = folder + "/Programs/q7310/";
  const std::string localAppData = folder + "/AppData/Local";
  ASSERT_TRUE(MakeFolders(program, nullptr));
  const std::string sample = program + std::string(InstalledSampleName());
  ASSERT_TRUE(MakeFolders(Utf8String(Utf8Path(sample).parent_path()), nullptr));
  ASSERT_TRUE(WriteFileAtomically(sample, Bytes("S0")));

  const WorkingFolder unpacked = ChooseWorkingFolder("", program, localAppData + "/q7310");
  EXPECT_EQ(unpacked.path, folder + "/Programs/q7310");
  EXPECT_FALSE(unpacked.perUser);
  EXPECT_EQ(InstalledSampleFirmware(program), "") << "an unpacked zip is not installed";

  ASSERT_FALSE(InstalledMarkName().empty());
  ASSERT_TRUE(WriteFileAtomically(program + std::string(InstalledMarkName()), Bytes("mark")));
  const WorkingFolder installed = ChooseWorkingFolder("", program, localAppData + "/q7310");
  EXPECT_EQ(installed.path, localAppData + "/q7310");
  EXPECT_TRUE(installed.perUser);
  EXPECT_TRUE(installed.error.empty()) << installed.error;
  EXPECT_TRUE(std::filesystem::is_directory(Utf8Path(installed.path)));

  // The missing-firmware hint names the sample beside the installed program, in Windows' spelling.
  const std::string found = InstalledSampleFirmware(program);
  EXPECT_TRUE(std::filesystem::equivalent(Utf8Path(found), Utf8Path(sample))) << found;
  EXPECT_EQ(found.find('/'), std::string::npos) << found;
  EXPECT_NE(MissingFirmwareHint(installed.path, program).find(found), std::string::npos);
  // --dir still wins.
  EXPECT_EQ(ChooseWorkingFolder(folder, program, localAppData + "/q7310").path, folder);
}

TEST(Win32Paths, PerUserDataFolderIsInLocalAppData) {
  const std::string saved = EnvironmentValue("LOCALAPPDATA");
  ASSERT_EQ(_wputenv_s(L"LOCALAPPDATA", L"C:\\Users\\Prüfer\\AppData\\Local"), 0);
  EXPECT_EQ(UserDataFolder(), "C:/Users/Prüfer/AppData/Local/q7310");
  _wputenv_s(L"LOCALAPPDATA", Widen(saved).c_str());
}

TEST(Win32Paths, FilesJoinTheirFolderWithTheSeparatorItUses) {
  EXPECT_EQ(JoinPath("Z:\\tmp\\app", "BACKUP.BIN"), "Z:\\tmp\\app\\BACKUP.BIN");
  EXPECT_EQ(JoinPath("Z:\\tmp\\app\\", "BACKUP.BIN"), "Z:\\tmp\\app\\BACKUP.BIN");
  EXPECT_EQ(JoinPath("C:/Users/tech/q7310", "BACKUP.BIN"), "C:/Users/tech/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("C:/Users/tech/q7310/", "BACKUP.BIN"), "C:/Users/tech/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("", "BACKUP.BIN"), "BACKUP.BIN");
}

TEST_F(Win32Files, FailedWritesGiveTheSystemsReasonAndOneSeparator) {
  // Where the C runtime said "No such file or directory" (and "Invalid argument" for a full
  // disk under Wine), the system's own text.
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(folder + "\\missing\\x.bin", Bytes("x"), &error));
  constexpr unsigned long kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
  EXPECT_EQ(error, "cannot create a file beside " + folder +
                       "\\missing\\x.bin: " + Win32ErrorText(kPathNotFound));
  // A dated copy in a folder given with backslashes is named with backslashes only.
  std::string backslashed = folder;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  const std::string copy =
      SaveHistoryCopy(backslashed + "\\backups", Bytes("settings"), 1765100000, &error);
  ASSERT_FALSE(copy.empty()) << error;
  EXPECT_EQ(copy.find('/'), std::string::npos) << copy;
  EXPECT_EQ(Read(copy), "settings");
}

TEST_F(Win32Files, OneFileUnderEveryNameAndLetterCase) {
  ASSERT_TRUE(WriteFileAtomically(folder + "/BACKUP.BIN", Bytes("backup")));
  ASSERT_TRUE(WriteFileAtomically(folder + "/other.bin", Bytes("backup")));
  const FileFacts original = LookAt(folder + "/BACKUP.BIN");
  EXPECT_EQ(original.kind, FileKind::kRegular);
  EXPECT_EQ(original.size, 6u);
  std::error_code ec;
  std::filesystem::create_hard_link(Utf8Path(folder + "/BACKUP.BIN"),
                                    Utf8Path(folder + "/hard.bin"), ec);
  ASSERT_FALSE(ec) << ec.message();
  std::string backslashed = folder;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  for (const std::string& name : {folder + "/backup.bin", backslashed + "\\Backup.Bin",
                                  folder + "/hard.bin", folder + "/./BACKUP.BIN"}) {
    EXPECT_TRUE(SameFile(original, LookAt(name))) << name;
  }
  EXPECT_FALSE(SameFile(original, LookAt(folder + "/other.bin")));
  EXPECT_EQ(LookAt(folder).kind, FileKind::kFolder);
  EXPECT_EQ(LookAt(folder + "/missing").kind, FileKind::kMissing);
  EXPECT_TRUE(SameName("BACKUP.BIN", "backup.bin"));
}

TEST_F(Win32Files, TheProgramsFilesInAnyLetterCase) {
  ASSERT_TRUE(MakeFolders(folder + "/backups", nullptr));
  ASSERT_TRUE(WriteFileAtomically(folder + "/BACKUP.BIN", Bytes("backup")));
  ASSERT_TRUE(WriteFileAtomically(folder + "/backups/BACKUP-20261207-104817.BIN", Bytes("c")));
  for (const std::string& path :
       {folder + "/backup.bin", folder + "\\BACKUPS\\backup-20261207-104817.bin",
        folder + "/Backups/new.txt", folder + "/update.bin", folder + "/Q7310_V201.MOT"}) {
    EXPECT_TRUE(IsProgramFile(folder, path)) << path;
    EXPECT_EQ(StageTargetProblem({folder}, folder + "/x.mot", path, true),
              FormatText(texts::kFmtStageIsOwnFile, path));
  }
  EXPECT_FALSE(IsProgramFile(folder, folder + "/trace.txt"));
}

TEST(Win32Devices, DeviceNamesAreDevicesAndNeverOpenedAsFiles) {
  for (const char* name :
       {"COM5", "com5", "\\\\.\\COM12", "//./com12", "C:\\logs\\com5.txt", "NUL", "COM5:"}) {
    EXPECT_EQ(LookAt(name).kind, FileKind::kDevice) << name;
  }
  EXPECT_NE(LookAt("COM5x").kind, FileKind::kDevice);
  EXPECT_TRUE(SameDevice("\\\\.\\com5", "COM5"));
  EXPECT_TRUE(SameDevice("com5.log", "\\\\.\\COM5"));
  EXPECT_FALSE(SameDevice("COM5", "COM6"));
  EXPECT_FALSE(SameDevice("trace.txt", "COM5"));
  EXPECT_EQ(TraceTargetProblem(".", "\\\\.\\com5", "COM5"),
            FormatText(texts::kFmtTraceIsSerialDevice, "\\\\.\\com5"));
  const InputFile input = OpenInputFile("NUL", 0);
  EXPECT_EQ(input.file, nullptr);
  EXPECT_EQ(input.problem, InputProblem::kNotRegular);
  EXPECT_EQ(input.reason, "is a device, not a regular file");
}

TEST_F(Win32Files, ALockFileThatIsAFolderCannotBeLocked) {
  ASSERT_TRUE(MakeFolders(folder + "/" + kFolderLockFile, nullptr));
  FolderLock lock;
  std::string error;
  EXPECT_EQ(lock.Take(folder, &error), FolderLock::Result::kFailed);
  EXPECT_NE(error.find(kFolderLockFile), std::string::npos) << error;
  EXPECT_EQ(error.find("/."), std::string::npos) << error;  // one kind of separator
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

// The restore command that a run prints after a failure names a file: pasted into a console, the
// path reaches the program as one argument, as the program reads its command line.
TEST(Win32Console, FilesInAPrintedCommandStayOneArgument) {
  EXPECT_EQ(cli::ShellWord("C:\\q\\backups\\BACKUP-20261207-143015.BIN"),
            "C:\\q\\backups\\BACKUP-20261207-143015.BIN");
  for (const std::string path : {"C:\\Program Files\\q7310\\BACKUP.BIN",
                                 "C:\\Service & Repair (2)\\BACKUP.BIN", "C:\\Prüfung;1\\a.BIN"}) {
    SCOPED_TRACE(path);
    const std::string word = cli::ShellWord(path);
    EXPECT_EQ(word, "\"" + path + "\"");
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(Widen("q7310 restore --from " + word).c_str(), &count);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(Narrow(argv[3]), path);
    LocalFree(argv);
  }
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
