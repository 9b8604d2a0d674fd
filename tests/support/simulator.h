// The simulated amplifier for end-to-end tests: the real q7310-sim, which makes a pseudo-terminal
// and prints its path on its first line. POSIX only (Process).
#pragma once

#include <signal.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace q7310::testing {

class Simulator {
 public:
  // A simulator makes its line within milliseconds and ends as fast after SIGTERM; the bounds only
  // decide how soon a broken one fails the test.
  static constexpr int kStartMs = 10000;
  static constexpr int kStopMs = 10000;

  // Starts `program` (the path of q7310-sim) with `args`.
  Simulator(const std::string& program, std::vector<std::string> args)
      : m_process(WithProgram(program, std::move(args))) {}

  // The device it made (its first line), waited for the first time; empty when none came.
  const std::string& Device() {
    if (!m_deviceRead) {
      m_device = m_process.ReadLine(kStartMs);
      m_deviceRead = true;
    }
    return m_device;
  }
  // Ends it with SIGTERM; its exit status (0 when what it received was consistent), -1 when it
  // did not end in time. Its summary is then in Stderr().
  int Stop(int timeoutMs = kStopMs) {
    m_process.Signal(SIGTERM);
    return m_process.Wait(timeoutMs);
  }
  // The exit status of a simulator that ends by itself.
  int Wait(int timeoutMs = kStopMs) { return m_process.Wait(timeoutMs); }
  const std::string& Stderr() const { return m_process.Stderr(); }

 private:
  static std::vector<std::string> WithProgram(const std::string& program,
                                              std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return args;
  }

  Process m_process;
  std::string m_device;
  bool m_deviceRead = false;
};

}  // namespace q7310::testing
