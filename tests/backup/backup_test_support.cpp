#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "backup/field_maps.h"

namespace q7310::testing {

void AppendRecord(Bytes& out, uint16_t slot, const Bytes& data) {
  out.push_back(static_cast<uint8_t>(slot >> 8));
  out.push_back(static_cast<uint8_t>(slot));
  out.push_back(static_cast<uint8_t>(data.size() >> 8));
  out.push_back(static_cast<uint8_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

uint8_t Pattern(uint32_t i) {
  return static_cast<uint8_t>(1 + (i * 7 + (i >> 8) * 3) % 255);
}

Bytes PatternSection(uint32_t length, uint8_t format) {
  Bytes section(length);
  for (uint32_t i = 0; i < length; ++i) section[i] = Pattern(i);
  if (length > backup::kHeaderFormatOffset) section[backup::kHeaderFormatOffset] = format;
  return section;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  m_path = std::filesystem::temp_directory_path() /
           ("q7310-backup-" + std::to_string(::getpid()) + "-" +
            (info ? std::string(info->name()) : "x") + "-" + std::to_string(counter++));
  std::filesystem::remove_all(m_path);
  std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace q7310::testing
