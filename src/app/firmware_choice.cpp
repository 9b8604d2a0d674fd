#include "app/firmware_choice.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/app_paths.h"
#include "app/texts.h"
#include "util/atomic_file.h"
#include "util/process_info.h"

namespace q7310 {
namespace {

constexpr size_t kReadChunkSize = 16 * 1024;

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* error) {
  std::string reason;
  std::FILE* file = OpenFile(path, "rb", &reason);
  if (file == nullptr) {
    if (error) *error = path + ": " + reason;
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[kReadChunkSize];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    if (error) *error = path + ": read error";
    return std::nullopt;
  }
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
