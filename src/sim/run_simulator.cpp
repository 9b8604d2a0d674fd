#include "sim/run_simulator.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "backup/sample_settings.h"
#include "sim/sim_line.h"
#include "sim/stop_signal.h"
#include "sim/summary.h"
#include "util/atomic_file.h"

namespace q7310::sim {

namespace {
// How long a hang-up waits for the client to take the last reply before the line closes.
constexpr int kHangupDrainMs = 2000;

std::optional<std::vector<uint8_t>> RawSettings(const SimOptions& o) {
  if (o.settingsFile.empty()) {
    return MakeSampleRawSettings(static_cast<uint8_t>(o.format), o.seed);
  }
  std::ifstream in(o.settingsFile, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

const char* EndText(LoopEnd end) {
  switch (end) {
    case LoopEnd::kStopped:
      return "stopped by signal";
    case LoopEnd::kHangup:
      return "hung up as asked";
    case LoopEnd::kLineClosed:
      return "the line closed";
    case LoopEnd::kLineError:
      return "line error";
  }
  return "";
}
}  // namespace

int RunSimulator(SimOptions o) {
  const auto raw = RawSettings(o);
  auto records = raw ? ParseSlotRecords(*raw) : std::nullopt;
  if (!records) {
    std::cerr << "q7310-sim: " << o.settingsFile << ": not a sequence of slot records\n";
    return kExitUsage;
  }
  std::string error;
  if (!o.saveSettings.empty() && !WriteFileAtomically(o.saveSettings, *raw, &error)) {
    std::cerr << "q7310-sim: " << o.saveSettings << ": " << error << '\n';
    return kExitInconsistent;
  }
  if (!StopSignal::Install()) {
    std::cerr << "q7310-sim: signal handlers: " << std::strerror(errno) << '\n';
    return kExitInconsistent;
  }
  auto line =
      o.device.empty() ? SimLine::OpenPseudoTerminal(error) : SimLine::OpenDevice(o.device, error);
  if (!line) {
    std::cerr << "q7310-sim: " << error << '\n';
    return kExitInconsistent;
  }
  if (!o.link.empty()) {
    ::unlink(o.link.c_str());  // a link left by an earlier run; never a file we did not make
    if (::symlink(line->Path().c_str(), o.link.c_str()) != 0) {
      std::cerr << "q7310-sim: " << o.link << ": " << std::strerror(errno) << '\n';
      return kExitInconsistent;
    }
  }
  std::cout << line->Path() << std::endl;

  o.amplifier.slots = std::move(*records);
  o.faults.seed = o.seed;
  Amplifier amplifier(std::move(o.amplifier), FaultPlan(std::move(o.faults)));
  SimLoop loop(*line, amplifier, o.loop);
  const LoopEnd end = loop.Run();
  if (end == LoopEnd::kHangup) line->Drain(kHangupDrainMs);
  line->Close();
  if (!o.link.empty()) ::unlink(o.link.c_str());

  std::string fileError = loop.FileError();
  loop.WriteImage(&fileError);
  std::cerr << FormatSummary(amplifier) << "ended: " << EndText(end) << '\n';
  if (!fileError.empty()) std::cerr << "q7310-sim: " << fileError << '\n';
  const bool ok = amplifier.Consistent() && fileError.empty() && end != LoopEnd::kLineError;
  return ok ? kExitConsistent : kExitInconsistent;
}

}  // namespace q7310::sim
