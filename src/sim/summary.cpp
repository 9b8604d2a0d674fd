#include "sim/summary.h"

#include <cstdio>

namespace q7310::sim {

namespace {
template <typename... Args>
void AppendLine(std::string& out, const char* format, Args... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  out += line;
  out += '\n';
}

std::string UpdateLine(const UpdateReceiver& u) {
  if (!u.Started()) return "update: none";
  std::string line;
  AppendLine(
      line, "update: start 0x%08X, received %zu of %u bytes, sum 0x%08X of 0x%08X, %s",
      u.StartAddress(), u.Image().size(), u.AnnouncedSize(), u.ReceivedSum(), u.AnnouncedSum(),
      !u.Complete() ? "image INCOMPLETE" : (u.SumMatches() ? kImageSumOk : kImageSumMismatch));
  line.pop_back();
  return line;
}
}  // namespace

std::string FormatSummary(const Amplifier& amplifier) {
  const SimCounters& c = amplifier.Counters();
  std::string out = "q7310-sim summary\n";
  AppendLine(out,
             "requests: %u (read-slot %u, write-slot %u, update-start %u, update-data %u, "
             "other %u)",
             c.requests, c.readSlot, c.writeSlot, c.updateStart, c.updateData, c.otherCommands);
  AppendLine(out, "bad frames: %u, wire errors: %u", c.badFrames, c.wireErrors);
  AppendLine(out, "replies sent: %u frames (device messages %u)", c.framesSent, c.deviceMessages);
  AppendLine(out,
             "faults injected: dropped %u, corrupted %u, noise %u, failed %u, "
             "device-message-fail %u, delayed %u, unanswered %u",
             c.repliesDropped, c.checksumsCorrupted, c.noiseBursts, c.failuresInjected,
             c.deviceMessageFailures, c.delayedReplies, c.unanswered);
  out += UpdateLine(amplifier.Update()) + '\n';
  AppendLine(out, "restore: %u records written%s", amplifier.Restore().RecordsClosed(),
             amplifier.Restore().RecordOpen() ? ", one record left open" : "");
  AppendLine(out, "result: %s", amplifier.Consistent() ? "consistent" : "INCONSISTENT");
  return out;
}

}  // namespace q7310::sim
