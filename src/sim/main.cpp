// q7310-sim: the simulated amplifier. Options in sim_options.cpp, the run in run_simulator.cpp.
#include <CLI/CLI.hpp>

#include "app/version.h"
#include "sim/run_simulator.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  CLI::App app{"q7310-sim"};
  q7310::sim::SimOptions options;
  q7310::sim::DeclareOptions(app, options);
  app.set_version_flag("--version", "q7310-sim " + std::string(q7310::VersionText()),
                       "Print the version and the commit built from, and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : q7310::sim::kExitUsage;
  }
  return q7310::sim::RunSimulator(std::move(options));
}
