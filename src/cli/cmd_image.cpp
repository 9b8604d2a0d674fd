// q7310 image FILE [--stage PATH [--force]]: loads a firmware file as UPDATE does and describes
// the image; with --stage it also writes the staged image, never over a file of the program's,
// the input itself, a device or (without --force) any file that is there already.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/output_target.h"
#include "app/texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/terminal_host.h"
#include "firmware/firmware_image.h"
#include "util/atomic_file.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

struct ImageOptions {
  std::string file;
  std::string stage;  // empty: no staged image is kept
  bool force = false;
  const CLI::Option* dir = nullptr;  // the global --dir, whose folder's files are protected
};

// A temporary staging file beside `path`, reserved by creating it empty, and removed on
// destruction unless it was moved to its name.
class TemporaryStage {
 public:
  explicit TemporaryStage(const std::string& path, std::string* error = nullptr)
      : m_path(WriteTemporaryFile(path, {}, error)) {}
  ~TemporaryStage() {
    if (!m_path.empty() && !m_moved) RemoveFile(m_path);
  }
  TemporaryStage(const TemporaryStage&) = delete;
  TemporaryStage& operator=(const TemporaryStage&) = delete;
  const std::string& Path() const { return m_path; }
  void Moved() { m_moved = true; }

 private:
  std::string m_path;
  bool m_moved = false;
};

void PrintLoadError(const CFirmwareImage::LoadError& error) {
  if (error.line > 0) {
    std::fprintf(stderr, "error: line %" PRIu32 ": %s\n", error.line, error.reason.c_str());
  } else {
    std::fprintf(stderr, "error: %s\n", error.reason.c_str());
  }
}

// The number of 128-byte blocks the transfer sends: every block full but the last.
uint32_t BlockCount(uint32_t imageSize) {
  return (imageSize + CFirmwareImage::kBlockSize - 1) / CFirmwareImage::kBlockSize;
}

// The working folders whose files --stage must not touch: the one --dir names; without it both
// that the operations may choose, the program's folder and the per-user one (looked at only,
// never made).
std::vector<std::string> ProtectedFolders(const ImageOptions& options) {
  if (options.dir && options.dir->count() > 0) return {options.dir->as<std::string>()};
  return {ProgramFolder(), UserDataFolder()};
}

bool Cancelled() {
  if (!TerminalHost::TakeInterrupt()) return false;
  std::fprintf(stderr, "%s\n", std::string(texts::kCancelled).c_str());
  return true;
}

int Load(const ImageOptions& options) {
  if (!options.stage.empty()) {
    // Said before the load: nothing is read when the target is wrong.
    const std::string problem =
        StageTargetProblem(ProtectedFolders(options), options.file, options.stage, options.force);
    if (!problem.empty()) {
      std::fprintf(stderr, "error: %s\n", problem.c_str());
      return kExitFailed;
    }
  }
  // The image is staged whole into a temporary file first: beside the staging file named, which
  // then gets it under its name; else in the system's temporary folder, removed afterwards.
  std::string error;
  TemporaryStage temporary(
      options.stage.empty() ? TemporaryFolder() + "/q7310-UPDATE" : StagePath(options.stage),
      &error);
  if (temporary.Path().empty()) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return kExitFailed;
  }

  CFirmwareImage image;
  image.SetStopFlag(&TerminalHost::InterruptFlag());
  image.Clear();
  const bool loaded = image.LoadMotFile(options.file, temporary.Path());
  if (Cancelled()) return kExitFailed;
  if (!loaded) {
    PrintLoadError(image.LastError());
    return kExitFailed;
  }
  if (!options.stage.empty()) {
    if (!PlaceStagedImage(temporary.Path(), options.stage, options.force, &error)) {
      std::fprintf(stderr, "error: %s\n", error.c_str());
      return kExitFailed;
    }
    temporary.Moved();
  }
  const uint32_t blocks = BlockCount(image.GetImageSize());
  std::printf("start address: 0x%08" PRIX32 "\n", image.GetStartAddress());
  std::printf("end address:   0x%08" PRIX32 "\n", image.GetEndAddress());
  std::printf("size:          %" PRIu32 " bytes\n", image.GetImageSize());
  std::printf("sum:           0x%08" PRIX32 "\n", image.GetImageSum());
  std::printf("blocks:        %" PRIu32 "\n", blocks);
  return kExitOk;
}

int Run(const ImageOptions& options) {
  // Ctrl-C, SIGTERM and SIGHUP end the load and remove the temporary file.
  TerminalHost::InstallInterruptHandler();
  const int exitCode = Load(options);
  InterruptHandled();
  return exitCode;
}

}  // namespace

void AddImageCommand(CLI::App& app, RunResult& result) {
  auto options = std::make_shared<ImageOptions>();
  options->dir = app.get_option_no_throw("--dir");
  CLI::App* command = app.add_subcommand(
      "image", "Load a firmware file (Motorola S-records) as UPDATE does and describe the image.");
  command->add_option("FILE", options->file, "the firmware file")->required();
  command->add_option("--stage", options->stage,
                      "also write the staged image (the raw bytes) to this new file; never one "
                      "of the program's own files or the firmware file itself");
  command->add_flag("--force", options->force,
                    "let --stage replace a regular file that is there already");
  command->callback([options, &result] { result.exitCode = Run(*options); });
}

}  // namespace q7310::cli
