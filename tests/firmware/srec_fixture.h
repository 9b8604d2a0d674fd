// Helpers for the firmware tests: valid S-record lines, a scratch folder with real files, and
// reading a staged image back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "support/srecord.h"

namespace q7310::testing_srec {

using Bytes = std::vector<uint8_t>;

inline int AddressBytes(char type) {
  return testing::SRecordAddressBytes(type);
}

// A well-formed record line of `type` (without line end).
inline std::string Rec(char type, uint32_t address, const Bytes& data = {}) {
  return testing::SRecordLine(type, address, data);
}

// `count` bytes first, first+1, ...
inline Bytes Ramp(size_t count, uint8_t first = 0) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

inline Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A fresh scratch folder per test, removed afterwards.
class FirmwareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A new folder of a random name (mkdtemp's job, done portably for the Windows build too).
    std::random_device random;
    do {
      m_dir = std::filesystem::path(::testing::TempDir()) /
              ("q7310-firmware-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(m_dir));
    m_mot = m_dir / "Q7310_v201.mot";
    m_staged = m_dir / "UPDATE.BIN";
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  bool Load(const std::string& text) {
    WriteAll(m_mot, text);
    return m_image.LoadMotFile(m_mot.string(), m_staged.string());
  }
  bool Load(const std::vector<std::string>& lines) { return Load(Lines(lines)); }

  std::filesystem::path m_dir;
  std::filesystem::path m_mot;
  std::filesystem::path m_staged;
  CFirmwareImage m_image;
};

}  // namespace q7310::testing_srec
