// The fixture of the end-to-end tests: a folder with the sample firmware, the real simulated
// amplifier on a pseudo-terminal, and the real command-line tool run against it (allowed to send
// the sample, unless a test says otherwise).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backup/settings_backup.h"
#include "support/converted_settings.h"
#include "support/files.h"
#include "support/process.h"
#include "support/sample_firmware.h"
#include "support/simulator.h"
#include "support/temp_folder.h"
#include "support/tool_run.h"

namespace q7310::testing {

namespace fs = std::filesystem;

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "app");
    CopySampleFirmwareTo(dir / "app");
  }
  // Starts the simulator with the given extra options; returns its device path.
  std::string StartSim(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--format",        "1",
                                     "--seed",          "11",
                                     "--save-settings", (dir / "settings.raw").string(),
                                     "--image-out",     (dir / "image.out").string(),
                                     "--restore-out",   (dir / "restore.out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<Simulator>(Q7310_SIM_PATH, args);
    EXPECT_FALSE(sim->Device().empty()) << sim->Stderr();
    return sim->Device();
  }

  // Runs q7310 on the simulator's device (with --allow-sample while allowSample holds); returns
  // its exit status.
  int RunTool(const std::string& device, std::vector<std::string> ops,
              std::vector<std::string> options = {"--keep-files", "--reply-timeout", "300"}) {
    if (allowSample) options.push_back(kAllowSample);
    tool =
        std::make_unique<Process>(ToolCommand(Q7310_CLI_PATH, device, dir / "app", options, ops));
    return WaitForTool(*tool);
  }

  int StopSim() { return sim->Stop(); }

  // What BACKUP.BIN must hold: the conversion of the settings the simulator served.
  Bytes ExpectedBackup() {
    const Bytes raw = ReadFile(dir / "settings.raw");
    CSettingsBackup store;
    EXPECT_TRUE(SaveConvertedSettings(store, raw, (dir / "expected.bin").string()));
    return ReadFile(dir / "expected.bin");
  }

  bool allowSample = true;
  TempFolder scratch{"q7310-e2e"};  // kept when the test failed
  const fs::path dir = scratch.Path();
  std::unique_ptr<Simulator> sim;
  std::unique_ptr<Process> tool;
};

}  // namespace q7310::testing
