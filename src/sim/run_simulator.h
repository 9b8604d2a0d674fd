// One run of q7310-sim from parsed options: load the settings, open the line, print its path,
// serve until stopped, print the summary.
#pragma once

#include "sim/sim_options.h"

namespace q7310::sim {

inline constexpr int kExitConsistent = 0;
inline constexpr int kExitInconsistent = 1;
inline constexpr int kExitUsage = 2;

// Returns the process's exit status: kExitConsistent, kExitInconsistent (also when the line or
// an output file failed), or kExitUsage for unusable settings input.
int RunSimulator(SimOptions options);

}  // namespace q7310::sim
