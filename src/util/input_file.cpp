// The parts of input_file.h that are the same on every OS.
#include "util/input_file.h"

#include <utility>

namespace q7310 {
namespace {

InputFile Refused(InputProblem problem, std::string reason, uint64_t size = 0) {
  InputFile input;
  input.problem = problem;
  input.reason = std::move(reason);
  input.size = size;
  return input;
}

InputFile TooLarge(std::string_view tooLargeText, uint64_t size, uint64_t maxSize) {
  return Refused(InputProblem::kTooLarge,
                 std::string(tooLargeText) + " (" + std::to_string(size) + " bytes, at most " +
                     std::to_string(maxSize) + ")",
                 size);
}

InputFile NotRegular(FileKind kind) {
  return Refused(kind == FileKind::kMissing ? InputProblem::kMissing : InputProblem::kNotRegular,
                 std::string(KindRefusalText(kind)));
}

}  // namespace

std::string_view KindRefusalText(FileKind kind) {
  switch (kind) {
    case FileKind::kMissing:
      return "no such file";
    case FileKind::kFolder:
      return "is a folder, not a file";
    case FileKind::kFifo:
      return "is a FIFO or pipe, not a regular file";
    case FileKind::kDevice:
      return "is a device, not a regular file";
    case FileKind::kSocket:
      return "is a socket, not a regular file";
    case FileKind::kRegular:
    case FileKind::kOther:
    case FileKind::kUnknown:
      break;
  }
  return "is not a regular file";
}

InputFile OpenInputFile(const std::string& path, uint64_t maxSize, std::string_view tooLargeText) {
  // A look first, which opens nothing: a FIFO or a device is refused before any open.
  const FileFacts facts = LookAt(path);
  if (facts.kind == FileKind::kUnknown) return Refused(InputProblem::kCannotOpen, facts.reason);
  if (facts.kind != FileKind::kRegular) return NotRegular(facts.kind);
  if (maxSize != 0 && facts.size > maxSize) return TooLarge(tooLargeText, facts.size, maxSize);

  FileFacts opened;
  std::string reason;
  std::FILE* file = OpenRegularFile(path, opened, reason);
  if (file == nullptr) {
    if (opened.Exists() && opened.kind != FileKind::kRegular) return NotRegular(opened.kind);
    return Refused(InputProblem::kCannotOpen, reason);
  }
  // The size of what was opened: the file may have been replaced since the look.
  if (maxSize != 0 && opened.size > maxSize) {
    std::fclose(file);
    return TooLarge(tooLargeText, opened.size, maxSize);
  }
  InputFile input;
  input.file = file;
  input.size = opened.size;
  return input;
}

bool ReadInputFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& bytes,
                   std::string* error, std::string_view tooLargeText) {
  constexpr size_t kChunkSize = 64 * 1024;
  const InputFile input = OpenInputFile(path, maxSize, tooLargeText);
  if (input.file == nullptr) {
    if (error) *error = path + ": " + input.reason;
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(input.size));
  std::vector<uint8_t> chunk(kChunkSize);
  size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), input.file)) > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    if (maxSize != 0 && bytes.size() > maxSize) break;
  }
  const bool failed = std::ferror(input.file) != 0;
  std::fclose(input.file);
  if (failed) {
    if (error) *error = path + ": read error";
    return false;
  }
  if (maxSize != 0 && bytes.size() > maxSize) {
    if (error) *error = path + ": " + TooLarge(tooLargeText, bytes.size(), maxSize).reason;
    return false;
  }
  return true;
}

std::string InputFileProblem(const std::string& path, uint64_t maxSize,
                             std::string_view tooLargeText) {
  InputFile input = OpenInputFile(path, maxSize, tooLargeText);
  if (input.file) std::fclose(input.file);
  return input.reason;
}

}  // namespace q7310
