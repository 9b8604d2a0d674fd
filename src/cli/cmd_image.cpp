// q7310 image FILE [--stage PATH]: loads a firmware file as UPDATE does and describes the image.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/usage.h"
#include "firmware/firmware_image.h"
#include "util/atomic_file.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

struct ImageOptions {
  std::string file;
  std::string stage;  // empty: stage into a temporary file, removed afterwards
};

// A temporary staging path, reserved by creating the file and removed on destruction.
class TemporaryStage {
 public:
  TemporaryStage() {
    m_path = WriteTemporaryFile(TemporaryFolder() + "/q7310-UPDATE", {}, nullptr);
  }
  ~TemporaryStage() {
    if (!m_path.empty()) RemoveFile(m_path);
  }
  TemporaryStage(const TemporaryStage&) = delete;
  TemporaryStage& operator=(const TemporaryStage&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
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
}

void PrintJson(JsonLines& lines, const std::string& file, const CFirmwareImage& image) {
  lines.Write(Json{{"type", "image"},
                   {"file", file},
                   {"start_address", image.GetStartAddress()},
                   {"end_address", image.GetEndAddress()},
                   {"size", image.GetImageSize()},
                   {"sum", image.GetImageSum()},
                   {"blocks", CFirmwareImage::BlockCount(image.GetImageSize())}});
}

int Run(const ImageOptions& options, bool json) {
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
  std::unique_ptr<TemporaryStage> temporary;
  std::string staged = options.stage;
  if (staged.empty()) {
    temporary = std::make_unique<TemporaryStage>();
    staged = temporary->Path();
    if (staged.empty()) return fail("cannot create a temporary staging file");
  }

  CFirmwareImage image;
  image.Clear();
  if (!image.LoadMotFile(options.file, staged)) return fail(LoadErrorText(image.LastError()));
  if (json) {
    PrintJson(lines, options.file, image);
    lines.Result("image", true);
  } else {
    PrintPlain(image);
  }
  return kExitOk;
}

}  // namespace

void AddImageCommand(CLI::App& app, ReportOptions& report, RunResult& result) {
  auto options = std::make_shared<ImageOptions>();
  CLI::App* command = app.add_subcommand(
      "image", "Load a firmware file (Motorola S-records) as UPDATE does and describe the image.");
  command->add_option("FILE", options->file, "the firmware file")->required();
  command->add_option("--stage", options->stage,
                      "also write the staged image (the raw bytes) to this file");
  AddJsonFlag(*command, report.json);
  command->callback([command, options, &report, &result] {
    if (StandsAlone(*command)) result.exitCode = Run(*options, report.json);
  });
}

}  // namespace q7310::cli
