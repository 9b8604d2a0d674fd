// The real q7310 as the end-to-end and fault tests run it: one command line to start from, one
// bound for a run, and the line that stands for a message box. POSIX only (Process).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/process.h"

namespace q7310::testing {

// A run against the simulator takes about a second (several under a sanitizer); the bound only
// decides how soon a run that never ends fails the test.
inline constexpr int kToolBoundMs = 30000;

// `program` (the path of q7310) on `device`, in the working folder `dir`, without waiting for
// Enter, then `options` and the operations `ops`.
inline std::vector<std::string> ToolCommand(const std::string& program, const std::string& device,
                                            const std::filesystem::path& dir,
                                            const std::vector<std::string>& options,
                                            const std::vector<std::string>& ops) {
  std::vector<std::string> args = {program, "--device", device, "--dir", dir.string(), "--yes"};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), ops.begin(), ops.end());
  return args;
}

// Waits for the tool to end within the bound: its exit status, or -1 and a test failure when it
// did not end (it is then killed).
inline int WaitForTool(Process& tool, int boundMs = kToolBoundMs) {
  const int status = tool.Wait(boundMs);
  if (status == -1) ADD_FAILURE() << "q7310 did not end within " << boundMs << " ms";
  return status;
}

// The line that the tool prints for a message box: "ERROR: <text>\n" or "COMPLETE: <text>\n".
inline std::string MessageLine(std::string_view caption, std::string_view text) {
  return std::string(caption) + ": " + std::string(text) + "\n";
}

}  // namespace q7310::testing
