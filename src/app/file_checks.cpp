// The parts of file_checks.h that are the same on every OS.
#include "app/file_checks.h"

#include "app/texts.h"
#include "util/input_file.h"

namespace q7310 {
std::string ReadProblem(const std::string& path, uint64_t maxSize) {
  const std::string problem = InputFileProblem(path, maxSize, texts::kDetailLargerThanStore);
  if (problem.empty()) return {};
  return (path.empty() ? std::string(".") : path) + ": " + problem;
}

}  // namespace q7310
