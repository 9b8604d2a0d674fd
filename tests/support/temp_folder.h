// A fresh, empty folder under the system's temporary folder for one test, with everything in it
// removed when the object goes; kept for a look when the test has failed.
#pragma once

#include <filesystem>
#include <string>

namespace q7310::testing {

class TempFolder {
 public:
  // The folder's name is `prefix`, a dash and a random number (on Windows `prefix` may hold any
  // character the file system takes).
  explicit TempFolder(const std::filesystem::path& prefix = "q7310-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // The path of `name` inside the folder, as a string for the code under test.
  std::string File(const std::filesystem::path& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

}  // namespace q7310::testing
