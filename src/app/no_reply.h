// What the operator is told when the amplifier does not answer: each resend as it happens ("No
// reply within 5.0 s; sending again (1 of 3)"), and, when the controller gives up, the likely
// causes for the operation that was running, as the detail of "No reply from 7310series
// Amplifier.": the unit not in that operation's mode (with the keys from the stage's own
// instructions), the cable, and the port used among the ports present.
//
// Pure functions, safe on any thread.
#pragma once

#include <string>
#include <vector>

#include "app/port_choice.h"
#include "serial/port_list.h"

namespace q7310 {

// The text of a resend: `count` resends made since start-up or the last give-up (this one
// included) of `limit`, after `timeoutMs` without a reply.
std::string ResendText(int count, int limit, unsigned timeoutMs);

// A period in seconds as people read it: one decimal ("5.0"), more where one would not be
// exact ("0.25", "0.001").
std::string SecondsText(unsigned ms);

// What the give-up knows.
struct NoReplyFacts {
  int mode = 0;              // the operation that was running (CUpgradeDlg::Mode)
  std::string writeFailure;  // why the last writes to the line failed; empty when none did
  PortName port;             // the port used
  std::vector<SerialPortInfo> present;  // the ports the system lists
};

// The detail of "No reply from 7310series Amplifier.", one line per item ("\n" between them).
std::string NoReplyDetail(const NoReplyFacts& facts);

}  // namespace q7310
