// q7310 image FILE [--stage PATH]: loads a firmware file as UPDATE does and describes the image.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
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

int Run(const ImageOptions& options) {
  std::unique_ptr<TemporaryStage> temporary;
  std::string staged = options.stage;
  if (staged.empty()) {
    temporary = std::make_unique<TemporaryStage>();
    staged = temporary->Path();
    if (staged.empty()) {
      std::fprintf(stderr, "error: cannot create a temporary staging file\n");
      return kExitFailed;
    }
  }

  CFirmwareImage image;
  image.Clear();
  if (!image.LoadMotFile(options.file, staged)) {
    PrintLoadError(image.LastError());
    return kExitFailed;
  }
  const uint32_t blocks = BlockCount(image.GetImageSize());
  std::printf("start address: 0x%08" PRIX32 "\n", image.GetStartAddress());
  std::printf("end address:   0x%08" PRIX32 "\n", image.GetEndAddress());
  std::printf("size:          %" PRIu32 " bytes\n", image.GetImageSize());
  std::printf("sum:           0x%08" PRIX32 "\n", image.GetImageSum());
  std::printf("blocks:        %" PRIu32 "\n", blocks);
  return kExitOk;
}

}  // namespace

void AddImageCommand(CLI::App& app, RunResult& result) {
  auto options = std::make_shared<ImageOptions>();
  CLI::App* command = app.add_subcommand(
      "image", "Load a firmware file (Motorola S-records) as UPDATE does and describe the image.");
  command->add_option("FILE", options->file, "the firmware file")->required();
  command->add_option("--stage", options->stage,
                      "also write the staged image (the raw bytes) to this file");
  command->callback([options, &result] { result.exitCode = Run(*options); });
}

}  // namespace q7310::cli
