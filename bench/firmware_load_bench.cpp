// LoadMotFile on generated firmware files: 1 MiB of S2 records and 8 MiB of S3 records, 32 data
// bytes each. The files are written by tools/gen_srec.py into a temporary folder first; the
// staged image goes either to the same folder (a disk: the atomic write's fsync counts) or to
// /dev/shm (memory: the parse and the staging alone). Reports bytes of text per second, in wall
// time; ns per byte of text is 1e9 divided by that rate.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "firmware/firmware_image.h"

namespace {

struct GeneratedFile {
  const char* name;
  const char* options;
};

constexpr const char* kMemoryFolder = "/dev/shm";

constexpr GeneratedFile kOneMiBS2{"1MiB_S2.mot", "--type S2 --size 0x100000 --start 0x010000"};
constexpr GeneratedFile kEightMiBS3{"8MiB_S3.mot", "--type S3 --size 0x800000 --start 0x01000000"};

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "q7310-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

std::string Generate(const GeneratedFile& file) {
  const auto path = Folder() / file.name;
  if (!std::filesystem::exists(path)) {
    const std::string command = std::string(Q7310_PYTHON3) + " " + Q7310_SOURCE_DIR +
                                "/tools/gen_srec.py " + path.string() + " " + file.options +
                                " --bytes-per-record 32 --seed 7310";
    if (std::system(command.c_str()) != 0) std::abort();
  }
  return path.string();
}

void LoadFile(benchmark::State& state, const GeneratedFile& file, bool stageInMemory) {
  const std::string mot = Generate(file);
  if (stageInMemory && !std::filesystem::is_directory(kMemoryFolder)) {
    state.SkipWithError("no /dev/shm");
    return;
  }
  const std::filesystem::path stageFolder = stageInMemory ? kMemoryFolder : Folder();
  const std::string staged = (stageFolder / "q7310-bench-UPDATE.BIN").string();
  const auto textBytes = static_cast<double>(std::filesystem::file_size(mot));
  q7310::CFirmwareImage image;
  for (auto _ : state) {
    image.Clear();
    if (!image.LoadMotFile(mot, staged)) {
      state.SkipWithError(image.LastError().reason.c_str());
      break;
    }
    benchmark::DoNotOptimize(image.GetImageSum());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textBytes));
  state.counters["text_bytes"] = textBytes;
  state.counters["image_bytes"] = image.GetImageSize();
  std::error_code ec;
  std::filesystem::remove(staged, ec);
}

BENCHMARK_CAPTURE(LoadFile, OneMiB_S2_disk, kOneMiBS2, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(LoadFile, OneMiB_S2_memory, kOneMiBS2, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(LoadFile, EightMiB_S3_disk, kEightMiBS3, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(LoadFile, EightMiB_S3_memory, kEightMiBS3, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
  return 0;
}
