// What the command-line tool may draw on a stream: a progress bar redrawn in place, and colours.
// Neither when the stream is not a terminal, when TERM is "dumb" (a terminal that moves no
// cursor), or when the console did not take the control sequences (a Windows console before
// Windows 10); no colours when NO_COLOR is set to anything but the empty string.
#pragma once

#include <cstdio>

namespace q7310::cli {

struct TerminalStyle {
  bool redraw = false;  // "\r" and erase-to-end-of-line: a bar redrawn in place
  bool color = false;   // SGR colour sequences
};

// The style for a stream: whether it `isTerminal`, the TERM and NO_COLOR variables (null when not
// set), and whether its console took the control sequences.
TerminalStyle ChooseTerminalStyle(bool isTerminal, const char* term, const char* noColor,
                                  bool sequencesAccepted);

// The style for `stream`, from the system: asks a Windows console for the sequences first.
TerminalStyle DetectTerminalStyle(std::FILE* stream);

}  // namespace q7310::cli
