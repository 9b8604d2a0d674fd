// The repository's sample firmware file (Q7310_SAMPLE_FIRMWARE in cmake/Q7310Layout.cmake),
// which tests copy into a scratch folder as the firmware file that an update reads. Its header
// record marks it as the simulator's sample: an update with it needs --allow-sample
// (kAllowSample) on the programs' command line, or CUpgradeDlg::SetSampleAllowed(true) on a
// controller that a test builds by hand.
#pragma once

#include <filesystem>

#include "app/texts.h"

namespace q7310::testing {

inline constexpr const char* kAllowSample = "--allow-sample";

inline std::filesystem::path SampleFirmwarePath() {
  return std::filesystem::path(Q7310_SAMPLE_FIRMWARE_PATH);
}

// Copies the sample into `folder` as the firmware file (Q7310_v201.mot), replacing one there;
// returns the copy's path.
inline std::filesystem::path CopySampleFirmwareTo(const std::filesystem::path& folder) {
  const std::filesystem::path target = folder / texts::kFirmwareFile;
  std::filesystem::copy_file(SampleFirmwarePath(), target,
                             std::filesystem::copy_options::overwrite_existing);
  return target;
}

}  // namespace q7310::testing
