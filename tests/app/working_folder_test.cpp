// The working-folder rule and the firmware file chosen from elsewhere, on real folders and files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_paths.h"
#include "app/firmware_choice.h"
#include "app/texts.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::TempFolder;

// Writes the file, and the folders it lies in first.
void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  testing::WriteText(path, text);
}

TEST(WorkingFolder, DirOptionWinsAsGivenWithoutTrailingSlash) {
  const WorkingFolder chosen = ChooseWorkingFolder("/somewhere/else/", "/usr/bin/", "/home/u/x");
  EXPECT_EQ(chosen.path, "/somewhere/else");
  EXPECT_FALSE(chosen.perUser);
  EXPECT_TRUE(chosen.error.empty());
}

TEST(WorkingFolder, WritableBuildFolderIsKept) {
  TempFolder scratch("q7310-wf-build");
  const std::string program = scratch.File("build/src/cli") + "/";
  fs::create_directories(program);
  const WorkingFolder chosen = ChooseWorkingFolder("", program, scratch.File("data/q7310"));
  EXPECT_EQ(chosen.path, scratch.File("build/src/cli"));
  EXPECT_FALSE(chosen.perUser);
  EXPECT_FALSE(fs::exists(scratch.File("data")));
}

// An installed program (its share/q7310 beside its bin) uses the per-user data folder even when
// it could write its own folder, as root can /usr/bin, and makes the folder with its parents.
TEST(WorkingFolder, InstalledProgramTakesPerUserFolderAndMakesIt) {
  TempFolder scratch("q7310-wf-installed");
  fs::create_directories(scratch.File("usr/bin"));
  WriteText(scratch.File("usr/share/q7310/") + std::string(InstalledSampleName()), "S0");
  const std::string data = scratch.File("home/.local/share/q7310");
  const WorkingFolder chosen = ChooseWorkingFolder("", scratch.File("usr/bin/"), data + "/");
  EXPECT_EQ(chosen.path, data);
  EXPECT_TRUE(chosen.perUser);
  EXPECT_TRUE(chosen.error.empty()) << chosen.error;
  ASSERT_TRUE(fs::is_directory(data));
  struct stat st {};
  ASSERT_EQ(::stat(data.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A second start finds the folder there.
  EXPECT_TRUE(ChooseWorkingFolder("", scratch.File("usr/bin/"), data).error.empty());
}

TEST(WorkingFolder, ReadOnlyProgramFolderTakesPerUserFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any folder";
  TempFolder scratch("q7310-wf-readonly");
  const std::string program = scratch.File("opt");
  fs::create_directories(program);
  fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
  const WorkingFolder chosen = ChooseWorkingFolder("", program, scratch.File("data/q7310"));
  fs::permissions(program, fs::perms::owner_all);
  EXPECT_TRUE(chosen.perUser);
  EXPECT_EQ(chosen.path, scratch.File("data/q7310"));
}

TEST(WorkingFolder, PerUserFolderThatCannotBeMadeIsAnError) {
  TempFolder scratch("q7310-wf-blocked");
  fs::create_directories(scratch.File("usr/share/q7310"));
  WriteText(scratch.File("home/.local"), "a file where a folder should be");
  const WorkingFolder chosen =
      ChooseWorkingFolder("", scratch.File("usr/bin/"), scratch.File("home/.local/share/q7310"));
  EXPECT_TRUE(chosen.perUser);
  EXPECT_NE(chosen.error.find(scratch.File("home/.local")), std::string::npos) << chosen.error;

  const WorkingFolder noHome = ChooseWorkingFolder("", scratch.File("usr/bin/"), "");
  EXPECT_FALSE(noHome.error.empty());
}

TEST(WorkingFolder, UserDataFolderFollowsXdgDataHomeThenHome) {
  const std::string savedXdg = EnvironmentValue("XDG_DATA_HOME");
  const std::string savedHome = EnvironmentValue("HOME");
  ::setenv("HOME", "/home/tech", 1);
  ::setenv("XDG_DATA_HOME", "/data/tech/", 1);
  EXPECT_EQ(UserDataFolder(), "/data/tech/q7310");
  ::setenv("XDG_DATA_HOME", "relative/not/allowed", 1);
  EXPECT_EQ(UserDataFolder(), "/home/tech/.local/share/q7310");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(UserDataFolder(), "/home/tech/.local/share/q7310");
  ::setenv("HOME", savedHome.c_str(), 1);
  if (!savedXdg.empty()) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
}

// The "missing firmware" detail says where the amplifier's released firmware goes and, when the
// sample is installed, that it is for the simulator only; nothing when the firmware is there.
TEST(WorkingFolder, MissingFirmwareHintPointsToReleasedFirmwareNotTheSample) {
  TempFolder scratch("q7310-wf-hint");
  const std::string work = scratch.File("work");
  fs::create_directories(work);
  const std::string bin = scratch.File("usr/bin/");
  fs::create_directories(bin);
  const std::string released = "\nPut the amplifier's released firmware file in " + work +
                               " as Q7310_v201.mot, or choose it with File > Open firmware "
                               "file... in q7310-upgrade.";
  EXPECT_EQ(MissingFirmwareHint(work, bin), released) << "no sample installed";

  // Installed under a name of its own: never the firmware file that the update reads.
  EXPECT_NE(fs::path(InstalledSampleName()).filename(), fs::path(texts::kFirmwareFile));
  const std::string sample = scratch.File("usr/share/q7310/") + std::string(InstalledSampleName());
  WriteText(sample, "S0");
  EXPECT_EQ(InstalledSampleFirmware(bin), sample);
  EXPECT_EQ(MissingFirmwareHint(work, bin),
            released + "\nThe sample firmware file " + sample +
                " is for trying the programs against the simulator q7310-sim only; it is not "
                "firmware for an amplifier.");
  EXPECT_FALSE(fs::exists(JoinPath(work, texts::kFirmwareFile))) << "never copied by itself";

  WriteText(JoinPath(work, texts::kFirmwareFile), "S0");
  EXPECT_EQ(MissingFirmwareHint(work, bin), "") << "the firmware is there";
}

TEST(FirmwareChoice, CopiesUnderFixedNameAndComparesBeforeReplacing) {
  TempFolder scratch("q7310-fw-choice");
  const std::string work = scratch.File("work");
  fs::create_directories(work);
  const std::string chosen = scratch.File("elsewhere/new-firmware.mot");
  WriteText(chosen, "S00600004844521B\nS9030000FC\n");
  const std::string target = JoinPath(work, texts::kFirmwareFile);

  EXPECT_EQ(CompareFirmwareFile(chosen, work), FirmwareInFolder::Absent);
  std::string error;
  EXPECT_EQ(CopyFirmwareFile(chosen, work, &error), target) << error;
  EXPECT_EQ(ReadText(target), ReadText(chosen));
  EXPECT_EQ(CompareFirmwareFile(chosen, work), FirmwareInFolder::Same);

  WriteText(target, "an older firmware");
  EXPECT_EQ(CompareFirmwareFile(chosen, work), FirmwareInFolder::Different);

  EXPECT_EQ(CompareFirmwareFile(scratch.File("missing.mot"), work, &error),
            FirmwareInFolder::Unreadable);
  EXPECT_NE(error.find("missing.mot"), std::string::npos);
  EXPECT_EQ(CopyFirmwareFile(scratch.File("missing.mot"), work, &error), "");
  EXPECT_EQ(ReadText(target), "an older firmware") << "a failed copy leaves the old file";

  // A device or a folder chosen in place of a firmware file is refused at once, with what it is
  // (a FIFO too: util's input tests).
  EXPECT_EQ(CompareFirmwareFile(testing::kNullDevice, work, &error), FirmwareInFolder::Unreadable);
  EXPECT_EQ(error, std::string(testing::kNullDevice) + ": is a device, not a regular file");
  EXPECT_EQ(CopyFirmwareFile(work, work, &error), "");
  EXPECT_EQ(error, work + ": is a folder, not a file");
  EXPECT_EQ(ReadText(target), "an older firmware");
}

}  // namespace
}  // namespace q7310
