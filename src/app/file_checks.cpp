// The parts of file_checks.h that are the same on every OS.
#include "app/file_checks.h"

#include <algorithm>
#include <cctype>

#include "app/texts.h"
#include "util/input_file.h"

namespace q7310 {
namespace {

constexpr size_t kWriteCheckRandomChars = 6;

}  // namespace

bool IsWriteCheckName(std::string_view name) {
  if (name.size() != kWriteCheckPrefix.size() + kWriteCheckRandomChars ||
      name.substr(0, kWriteCheckPrefix.size()) != kWriteCheckPrefix) {
    return false;
  }
  const std::string_view random = name.substr(kWriteCheckPrefix.size());
  return std::all_of(random.begin(), random.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::string ReadProblem(const std::string& path, uint64_t maxSize) {
  const std::string problem = InputFileProblem(path, maxSize, texts::kDetailLargerThanStore);
  if (problem.empty()) return {};
  return (path.empty() ? std::string(".") : path) + ": " + problem;
}

}  // namespace q7310
