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
#include "cli/json_lines.h"
#include "cli/terminal_host.h"
#include "cli/usage.h"
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

// The failure's text: "line 10: the file does not end with …", or the reason alone.
std::string LoadErrorText(const CFirmwareImage::LoadError& error) {
  if (error.line == 0) return error.reason;
  return "line " + std::to_string(error.line) + ": " + error.reason;
}

void PrintPlain(const CFirmwareImage& image) {
  std::printf("start address: 0x%08" PRIX32 "\n", image.GetStartAddress());
  std::printf("end address:   0x%08" PRIX32 "\n", image.GetEndAddress());
  std::printf("size:          %" PRIu32 " bytes\n", image.GetImageSize());
  std::printf("sum:           0x%08" PRIX32 "\n", image.GetImageSum());
  std::printf("blocks:        %" PRIu32 "\n", CFirmwareImage::BlockCount(image.GetImageSize()));
  std::printf("header:        %s\n", image.HeaderText().c_str());
  if (image.IsSimulatorSample()) {
    std::printf("sample:        %s\n", std::string(texts::kImageIsSample).c_str());
  }
}

void PrintJson(JsonLines& lines, const std::string& file, const CFirmwareImage& image) {
  lines.Write(Json{{"type", "image"},
                   {"file", file},
                   {"start_address", image.GetStartAddress()},
                   {"end_address", image.GetEndAddress()},
                   {"size", image.GetImageSize()},
                   {"sum", image.GetImageSum()},
                   {"blocks", CFirmwareImage::BlockCount(image.GetImageSize())},
                   {"header", image.HeaderText()},
                   {"sample", image.IsSimulatorSample()}});
}

// The working folders whose files --stage must not touch: the one --dir names; without it both
// that the operations may choose, the program's folder and the per-user one (looked at only,
// never made).
std::vector<std::string> ProtectedFolders(const ImageOptions& options) {
  if (options.dir && options.dir->count() > 0) return {options.dir->as<std::string>()};
  return {ProgramFolder(), UserDataFolder()};
}

int Load(const ImageOptions& options, bool json) {
  JsonLines lines(stdout);
  const auto fail = [&](const std::string& text) {
    if (json) {
      lines.Error(text);
      lines.Result("image", false);
    } else {
      std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    return kExitFailed;
  };
  if (!options.stage.empty()) {
    // Said before the load: nothing is read when the target is wrong.
    const std::string problem =
        StageTargetProblem(ProtectedFolders(options), options.file, options.stage, options.force);
    if (!problem.empty()) return fail(problem);
  }
  // The image is staged whole into a temporary file first: beside the staging file named, which
  // then gets it under its name; else in the system's temporary folder, removed afterwards.
  std::string error;
  TemporaryStage temporary(
      options.stage.empty() ? TemporaryFolder() + "/q7310-UPDATE" : StagePath(options.stage),
      &error);
  if (temporary.Path().empty()) return fail(error);

  CFirmwareImage image;
  image.SetStopFlag(&TerminalHost::InterruptFlag());
  image.Clear();
  const bool loaded = image.LoadMotFile(options.file, temporary.Path());
  if (TerminalHost::TakeInterrupt()) return fail(std::string(texts::kCancelled));
  if (!loaded) return fail(LoadErrorText(image.LastError()));
  if (!options.stage.empty()) {
    if (!PlaceStagedImage(temporary.Path(), options.stage, options.force, &error)) {
      return fail(error);
    }
    temporary.Moved();
  }
  if (json) {
    PrintJson(lines, options.file, image);
    lines.Result("image", true);
  } else {
    PrintPlain(image);
  }
  return kExitOk;
}

int Run(const ImageOptions& options, bool json) {
  // Ctrl-C, SIGTERM and SIGHUP end the load and remove the temporary file.
  TerminalHost::InstallInterruptHandler();
  const int exitCode = Load(options, json);
  InterruptHandled();
  return exitCode;
}

}  // namespace

void AddImageCommand(CLI::App& app, ReportOptions& report, RunResult& result) {
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
  AddJsonFlag(*command, report.json);
  command->callback([command, options, &report, &result] {
    if (StandsAlone(*command)) result.exitCode = Run(*options, report.json);
  });
}

}  // namespace q7310::cli
