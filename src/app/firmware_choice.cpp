#include "app/firmware_choice.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "app/app_paths.h"
#include "app/texts.h"
#include "util/atomic_file.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* error) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) {
    if (error) *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
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
