#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <system_error>

namespace q7310::testing {

namespace fs = std::filesystem;

namespace {

// Gives the owner back every right on `folder` and the folders below it (tests take some away),
// so that the removal can reach everything.
void RestoreOwnerRights(const fs::path& folder) {
  std::error_code ec;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) RestoreOwnerRights(it->path());
  }
}

}  // namespace

TempFolder::TempFolder(const fs::path& prefix) {
  // A name nobody holds yet: create_directory says false when it exists already.
  std::random_device random;
  do {
    fs::path name = prefix;
    name += "-";
    name += std::to_string(random());
    m_path = fs::temp_directory_path() / name;
  } while (!fs::create_directory(m_path));
}

TempFolder::~TempFolder() {
  if (::testing::Test::HasFailure()) {
    std::cerr << "Kept for a look: " << m_path.string() << "\n";
    return;
  }
  RestoreOwnerRights(m_path);
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

}  // namespace q7310::testing
