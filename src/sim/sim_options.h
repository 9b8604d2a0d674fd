// The command-line options of q7310-sim, declared in one place that also writes --help.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "sim/amplifier.h"
#include "sim/fault_plan.h"
#include "sim/sim_loop.h"

namespace q7310::sim {

struct SimOptions {
  std::string device;        // empty: create a pseudo-terminal
  std::string link;          // symbolic link to the line's path, removed at exit
  std::string settingsFile;  // raw slot records; empty: the built-in sample
  unsigned format = 0;       // sample settings format, 0 or 1
  uint32_t seed = 1;         // sample settings and fault decisions
  std::string saveSettings;  // write the raw settings served
  AmplifierConfig amplifier;
  FaultOptions faults;
  LoopOptions loop;
};

// Declares every option on app, bound to options.
void DeclareOptions(CLI::App& app, SimOptions& options);

}  // namespace q7310::sim
