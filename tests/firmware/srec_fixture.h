// Helpers for the firmware tests: valid S-record lines and a scratch folder with real files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "support/files.h"
#include "support/srecord.h"
#include "support/temp_folder.h"

namespace q7310::testing {

// A well-formed record line of `type` (without line end).
inline std::string Rec(char type, uint32_t address, const Bytes& data = {}) {
  return SRecordLine(type, address, data);
}

inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// A fresh scratch folder per test, removed afterwards.
class FirmwareTest : public ::testing::Test {
 protected:
  bool Load(const std::string& text) {
    WriteText(m_mot, text);
    return m_image.LoadMotFile(m_mot.string(), m_staged.string());
  }
  bool Load(const std::vector<std::string>& lines) { return Load(Lines(lines)); }

  TempFolder m_scratch{"q7310-firmware"};
  const std::filesystem::path m_dir = m_scratch.Path();
  const std::filesystem::path m_mot = m_dir / "Q7310_v201.mot";
  const std::filesystem::path m_staged = m_dir / "UPDATE.BIN";
  CFirmwareImage m_image;
};

}  // namespace q7310::testing
