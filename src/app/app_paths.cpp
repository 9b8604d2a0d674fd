#include "app/app_paths.h"

#include <filesystem>
#include <system_error>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

constexpr std::string_view kDataFolderName = "q7310";

std::string WithoutTrailingSlash(std::string_view folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return std::string(folder);
}

}  // namespace

std::string UserDataFolder() {
  if (const std::string system = SystemDataFolder(); !system.empty())
    return JoinPath(WithoutTrailingSlash(system), kDataFolderName);
  const std::string xdg = EnvironmentValue("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/')
    return JoinPath(WithoutTrailingSlash(xdg), kDataFolderName);
  const std::string home = EnvironmentValue("HOME");
  if (home.empty()) return {};
  return JoinPath(JoinPath(WithoutTrailingSlash(home), ".local/share"), kDataFolderName);
}

WorkingFolder ChooseWorkingFolder(std::string_view dirOption, std::string_view programFolder,
                                  std::string_view userDataFolder) {
  WorkingFolder chosen;
  if (!dirOption.empty()) {
    chosen.path = WithoutTrailingSlash(dirOption);
    return chosen;
  }
  chosen.path = WithoutTrailingSlash(programFolder);
  if (InstalledDataFolder(programFolder).empty() && FolderWritable(chosen.path)) return chosen;
  chosen.perUser = true;
  chosen.path = WithoutTrailingSlash(userDataFolder);
  if (chosen.path.empty()) {
    chosen.error = "neither XDG_DATA_HOME nor HOME is set";
  } else {
    MakeFolders(chosen.path, &chosen.error);
  }
  return chosen;
}

WorkingFolder ResolveWorkingFolder(std::string_view dirOption) {
  return ChooseWorkingFolder(dirOption, ProgramFolder(), UserDataFolder());
}

std::string_view InstalledMarkName() {
  return Q7310_INSTALLED_MARK;
}

std::string_view InstalledSampleName() {
  return Q7310_SAMPLE_FIRMWARE_NAME;
}

std::string InstalledDataFolder(std::string_view programFolder) {
  if (programFolder.empty()) return {};
  std::error_code ec;
  // Windows: the zip holds the same files as an installation; only the installer's mark tells
  // them apart.
  if (!InstalledMarkName().empty() &&
      !std::filesystem::is_regular_file(Utf8Path(JoinPath(programFolder, InstalledMarkName())), ec))
    return {};
  const std::filesystem::path folder =
      (Utf8Path(JoinPath(programFolder, "")) / Q7310_DATA_FROM_BINDIR).lexically_normal();
  if (!std::filesystem::is_directory(folder, ec)) return {};
  return Utf8String(folder);
}

std::string InstalledSampleFirmware(std::string_view programFolder) {
  const std::string folder = InstalledDataFolder(programFolder);
  if (folder.empty()) return {};
  const std::filesystem::path sample =
      (Utf8Path(folder) / Utf8Path(InstalledSampleName())).lexically_normal();
  std::error_code ec;
  return std::filesystem::is_regular_file(sample, ec) ? Utf8String(sample) : std::string{};
}

std::string MissingFirmwareHint(std::string_view workingFolder, std::string_view programFolder) {
  std::error_code ec;
  if (std::filesystem::exists(Utf8Path(JoinPath(workingFolder, texts::kFirmwareFile)), ec))
    return {};
  std::string hint =
      FormatNumbered(texts::kFmtFirmwareMissingHint,
                     {NativePath(WithoutTrailingSlash(workingFolder.empty() ? "." : workingFolder)),
                      texts::kFirmwareFile});
  if (const std::string sample = InstalledSampleFirmware(programFolder); !sample.empty()) {
    hint += FormatNumbered(texts::kFmtSampleFirmwareInstalled, {NativePath(sample)});
  }
  return hint;
}

}  // namespace q7310
