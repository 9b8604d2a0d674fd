#include "app/firmware_choice.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "app/app_paths.h"
#include "app/texts.h"
#include "firmware/firmware_image.h"
#include "util/atomic_file.h"
#include "util/input_file.h"

namespace q7310 {
namespace {

// The whole of a regular file no larger than any firmware file can be: a FIFO, a device or a
// folder chosen in its place is refused at once.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(path, CFirmwareImage::kMaxFileSize, bytes, error)) return std::nullopt;
  return bytes;
}

}  // namespace

FirmwareInFolder CompareFirmwareFile(const std::string& source, const std::string& workingFolder,
                                     std::string* error) {
  const auto chosen = ReadWholeFile(source, error);
  if (!chosen) return FirmwareInFolder::Unreadable;
  const auto present = ReadWholeFile(JoinPath(workingFolder, texts::kFirmwareFile), nullptr);
  if (!present) return FirmwareInFolder::Absent;
  return *present == *chosen ? FirmwareInFolder::Same : FirmwareInFolder::Different;
}

std::string CopyFirmwareFile(const std::string& source, const std::string& workingFolder,
                             std::string* error) {
  const auto bytes = ReadWholeFile(source, error);
  if (!bytes) return {};
  const std::string target = JoinPath(workingFolder, texts::kFirmwareFile);
  if (!WriteFileAtomically(target, *bytes, error)) return {};
  return target;
}

}  // namespace q7310
