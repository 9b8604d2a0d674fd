// Helpers shared by the backup tests: raw slot records built byte by byte, temporary folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace q7310::testing {

using Bytes = std::vector<uint8_t>;

// Appends one slot record: slot number and data length big-endian, then the data.
void AppendRecord(Bytes& out, uint16_t slot, const Bytes& data);

// A section of `length` bytes whose byte i is Pattern(i): never 0, and different for offsets
// that lie 1, 2, ... 255 apart, so that a field taken from a wrong offset shows.
uint8_t Pattern(uint32_t i);
Bytes PatternSection(uint32_t length, uint8_t format);

// A fresh, empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace q7310::testing
