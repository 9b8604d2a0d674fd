// Files told by what they are, not by how their path is spelled: the kind of file a path leads
// to, one file under several names, one device under several nodes; and inputs opened only when
// they are regular files, without ever waiting on a FIFO. POSIX only (mkfifo, device nodes,
// links); tests/windows/platform_win32_test.cpp has the Windows side.
#include "util/file_identity.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/pty_peer.h"
#include "support/temp_folder.h"
#include "util/input_file.h"
#include "util/path_join.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FileIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteText(file, "twelve bytes");
    fs::create_directories(dir / "folder");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  }

  // Runs `call`, which must not wait on the FIFO: a reader held in open() by the FIFO is let go
  // by a writer that comes and goes, and the test fails instead of hanging.
  template <typename Call>
  auto WithoutWaiting(Call call) {
    auto result = std::async(std::launch::async, call);
    if (result.wait_for(5s) != std::future_status::ready) {
      ADD_FAILURE() << "the call waited on the FIFO";
      const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
    return result.get();
  }

  testing::TempFolder scratch{"q7310-identity"};
  const fs::path dir = scratch.Path();
  const fs::path file = dir / "file.txt";
  const fs::path fifo = dir / "fifo";
};

TEST_F(FileIdentityTest, TellsTheKindOfWhatAPathLeadsTo) {
  struct Case {
    fs::path path;
    FileKind kind;
  };
  fs::create_symlink(file, dir / "link");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  const Case cases[] = {
      {file, FileKind::kRegular},
      {dir / "link", FileKind::kRegular},  // links are followed
      {dir / "folder", FileKind::kFolder},
      {fifo, FileKind::kFifo},
      {testing::kNullDevice, FileKind::kDevice},
      {dir / "missing", FileKind::kMissing},
      {dir / "dangling", FileKind::kMissing},
      {file / "below-a-file", FileKind::kMissing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LookAt(c.path.string()).kind, c.kind) << c.path;
  }
  EXPECT_EQ(LookAt(file.string()).size, 12u);
  EXPECT_NE(LookAt(testing::kNullDevice).deviceNumber, 0u);
}

TEST_F(FileIdentityTest, OneFileUnderEveryName) {
  fs::create_hard_link(file, dir / "hard");
  fs::create_symlink(file, dir / "soft");
  const FileFacts original = LookAt(file.string());
  for (const fs::path& name : {dir / "hard", dir / "soft", dir / "folder" / ".." / "file.txt"}) {
    EXPECT_TRUE(SameFile(original, LookAt(name.string()))) << name;
  }
  testing::WriteText(dir / "copy", "twelve bytes");
  EXPECT_FALSE(SameFile(original, LookAt((dir / "copy").string())));
  // Nothing is not the same as nothing.
  EXPECT_FALSE(SameFile(LookAt((dir / "a").string()), LookAt((dir / "b").string())));
}

TEST_F(FileIdentityTest, OneDeviceUnderEveryNode) {
  testing::PtyPeer pty;
  fs::create_symlink(pty.DevicePath(), dir / "adapter");
  EXPECT_TRUE(SameDevice((dir / "adapter").string(), pty.DevicePath()));
  EXPECT_TRUE(SameDevice(pty.DevicePath(), pty.DevicePath()));
  // Another node of the same device (as udev's by-id links are, or a node made by hand).
  struct stat st {};
  ASSERT_EQ(::stat(pty.DevicePath().c_str(), &st), 0);
  if (::mknod((dir / "node").c_str(), S_IFCHR | 0600, st.st_rdev) == 0) {
    EXPECT_TRUE(SameDevice((dir / "node").string(), pty.DevicePath()));
  }
  EXPECT_FALSE(SameDevice(testing::kNullDevice, pty.DevicePath()));
  EXPECT_FALSE(SameDevice(file.string(), pty.DevicePath()));
  EXPECT_FALSE(SameDevice((dir / "missing").string(), pty.DevicePath()));
}

TEST_F(FileIdentityTest, InputsAreRegularFilesOfABoundedSize) {
  InputFile input = OpenInputFile(file.string(), 12);
  ASSERT_NE(input.file, nullptr) << input.reason;
  EXPECT_EQ(input.size, 12u);
  char text[16] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text, input.file), 12u);
  std::fclose(input.file);

  struct Case {
    fs::path path;
    InputProblem problem;
    std::string reason;
  };
  fs::create_symlink("/dev/zero", dir / "zero");
  const Case cases[] = {
      {dir / "missing", InputProblem::kMissing, "no such file"},
      {dir / "folder", InputProblem::kNotRegular, "is a folder, not a file"},
      {fifo, InputProblem::kNotRegular, "is a FIFO or pipe, not a regular file"},
      {dir / "zero", InputProblem::kNotRegular, "is a device, not a regular file"},
  };
  for (const Case& c : cases) {
    const InputFile refused = WithoutWaiting([&] { return OpenInputFile(c.path.string(), 0); });
    EXPECT_EQ(refused.file, nullptr) << c.path;
    EXPECT_EQ(refused.problem, c.problem) << c.path;
    EXPECT_EQ(refused.reason, c.reason) << c.path;
  }
  const InputFile large = OpenInputFile(file.string(), 11, "larger than the store");
  EXPECT_EQ(large.file, nullptr);
  EXPECT_EQ(large.problem, InputProblem::kTooLarge);
  EXPECT_EQ(large.size, 12u);
  EXPECT_EQ(large.reason, "larger than the store (12 bytes, at most 11)");
}

TEST_F(FileIdentityTest, WholeInputsAreReadOrRefusedWithThePath) {
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ReadInputFile(file.string(), 0, bytes, &error)) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "twelve bytes");
  EXPECT_FALSE(WithoutWaiting([&] { return ReadInputFile(fifo.string(), 0, bytes, &error); }));
  EXPECT_EQ(error, fifo.string() + ": is a FIFO or pipe, not a regular file");
  EXPECT_FALSE(ReadInputFile(file.string(), 4, bytes, &error));
  EXPECT_EQ(error, file.string() + ": " + std::string(kLargerThanRead) + " (12 bytes, at most 4)");
  EXPECT_EQ(InputFileProblem(file.string(), 0), "");
  EXPECT_EQ(WithoutWaiting([&] { return InputFileProblem(fifo.string(), 0); }),
            "is a FIFO or pipe, not a regular file");
}

TEST(PathJoin, OneSeparatorAndTheSystemsRuleForNames) {
  EXPECT_EQ(JoinPath("/data/q7310", "BACKUP.BIN"), "/data/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("/data/q7310/", "BACKUP.BIN"), "/data/q7310/BACKUP.BIN");
  EXPECT_EQ(JoinPath("", "BACKUP.BIN"), "BACKUP.BIN");
  EXPECT_TRUE(SameName("BACKUP.BIN", "BACKUP.BIN"));
  EXPECT_FALSE(SameName("backup.bin", "BACKUP.BIN"));  // POSIX file systems tell case apart
}

}  // namespace
}  // namespace q7310
