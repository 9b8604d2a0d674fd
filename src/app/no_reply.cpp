#include "app/no_reply.h"

#include <span>
#include <string_view>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"

namespace q7310 {
namespace {

constexpr unsigned kMsPerSecond = 1000;

// The lines of a stage's instructions that put the unit into the operation's mode.
std::span<const std::string_view> ModeLines(int mode) {
  switch (mode) {
    case CUpgradeDlg::kUpdate:
      // Out of BACKUP mode first, then into UPDATE mode.
      return std::span(texts::kGuideStage2).first(2);
    case CUpgradeDlg::kRestore:
    case CUpgradeDlg::kVerify:
      // After the update the unit powers itself down; it answers again in BACKUP mode.
      return std::span(texts::kGuideStage3).subspan(2, 1);
    default:
      return std::span(texts::kGuideStage1).subspan(1, 1);
  }
}

// "/dev/ttyS0 (port 1), /dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)": the ports other than
// the one used, or that there is none.
std::string OtherPorts(const std::vector<SerialPortInfo>& present, const SerialPortInfo* used) {
  std::string others;
  for (const SerialPortInfo& port : present) {
    if (used != nullptr && port.device == used->device) continue;
    if (!others.empty()) others += ", ";
    others += port.device;
    if (const std::string what = DescribeListedPort(port); !what.empty()) {
      others += " (" + what + ")";
    }
  }
  if (others.empty()) return std::string(texts::kNoReplyNoOtherPort);
  return std::string(texts::kNoReplyOtherPorts) + others;
}

}  // namespace

std::string SecondsText(unsigned ms) {
  std::string text = std::to_string(ms / kMsPerSecond) + ".";
  std::string fraction = std::to_string(kMsPerSecond + ms % kMsPerSecond).substr(1);
  // Down to one decimal, never fewer: "5.0", "0.25", "0.001".
  while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
  return text + fraction;
}

std::string ResendText(int count, int limit, unsigned timeoutMs) {
  return FormatNumbered(texts::kFmtResend,
                        {SecondsText(timeoutMs), std::to_string(count), std::to_string(limit)});
}

std::string NoReplyDetail(const NoReplyFacts& facts) {
  std::string detail;
  if (!facts.writeFailure.empty()) {
    detail = std::string(texts::kDetailWritesFailed) + ": " + facts.writeFailure + "\n";
  }
  detail += texts::kNoReplyCheck;
  detail += "\n";
  detail += texts::kNoReplyMode;
  const std::span<const std::string_view> modeLines = ModeLines(facts.mode);
  for (size_t i = 0; i < modeLines.size(); ++i) {
    if (i) detail += ' ';
    detail += modeLines[i];
  }
  detail += "\n";
  // The stage 1 line that names the cable.
  detail += texts::kNoReplyCable;
  detail += texts::kGuideStage1[0];
  detail += texts::kNoReplyCrossedCable;
  detail += "\n";
  PortChoice used;
  used.port = facts.port;
  const SerialPortInfo* listed = FindListedPort(facts.present, facts.port);
  if (listed != nullptr) used.info = *listed;
  detail += FormatNumbered(texts::kFmtNoReplyPort,
                           {DescribeChoice(used), OtherPorts(facts.present, listed)});
  return detail;
}

}  // namespace q7310
