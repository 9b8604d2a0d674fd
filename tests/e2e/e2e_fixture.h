// The fixture of the end-to-end tests: a folder with the sample firmware, the real simulated
// amplifier on a pseudo-terminal, and the real command-line tool run against it.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backup/settings_backup.h"
#include "support/converted_settings.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace q7310::testing {

namespace fs = std::filesystem;

inline std::string Line(std::string_view caption, std::string_view text) {
  return std::string(caption) + ": " + std::string(text) + "\n";
}

class EndToEnd : public ::testing::Test {
 protected:
  // A run against the simulator takes about a second (several under a sanitizer); the bound only
  // decides how soon a run that never ends fails the test.
  static constexpr int kToolBoundMs = 30000;

  void SetUp() override {
    fs::create_directories(dir / "app");
    fs::copy_file(fs::path(Q7310_SOURCE_DIR) / "samples" / "Q7310_v201.mot",
                  dir / "app" / "Q7310_v201.mot");
  }
  // Starts the simulator with the given extra options; returns its device path.
  std::string StartSim(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {Q7310_SIM_PATH,
                                     "--format",
                                     "1",
                                     "--seed",
                                     "11",
                                     "--save-settings",
                                     (dir / "settings.raw").string(),
                                     "--image-out",
                                     (dir / "image.out").string(),
                                     "--restore-out",
                                     (dir / "restore.out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<Process>(args);
    const std::string device = sim->ReadLine();
    EXPECT_FALSE(device.empty()) << sim->Stderr();
    return device;
  }

  // Runs q7310 on the simulator's device; returns its exit status.
  int RunTool(const std::string& device, std::vector<std::string> ops,
              std::vector<std::string> options = {"--keep-files", "--reply-timeout", "300"}) {
    std::vector<std::string> args = {Q7310_CLI_PATH,         "--device", device, "--dir",
                                     (dir / "app").string(), "--yes"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), ops.begin(), ops.end());
    tool = std::make_unique<Process>(args);
    const int status = tool->Wait(kToolBoundMs);
    if (status == -1) ADD_FAILURE() << "q7310 did not end within " << kToolBoundMs << " ms";
    return status;
  }

  int StopSim() {
    sim->Signal(SIGTERM);
    return sim->Wait(10000);
  }

  // What BACKUP.BIN must hold: the conversion of the settings the simulator served.
  Bytes ExpectedBackup() {
    const Bytes raw = ReadFile(dir / "settings.raw");
    CSettingsBackup store;
    EXPECT_TRUE(SaveConvertedSettings(store, raw, (dir / "expected.bin").string()));
    return ReadFile(dir / "expected.bin");
  }

  TempFolder scratch{"q7310-e2e"};  // kept when the test failed
  const fs::path dir = scratch.Path();
  std::unique_ptr<Process> sim;
  std::unique_ptr<Process> tool;
};

}  // namespace q7310::testing
