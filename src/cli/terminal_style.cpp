#include "cli/terminal_style.h"

#include <cstdlib>
#include <cstring>

#include "cli/console.h"
#include "util/process_info.h"

namespace q7310::cli {

TerminalStyle ChooseTerminalStyle(bool isTerminal, const char* term, const char* noColor,
                                  bool sequencesAccepted) {
  TerminalStyle style;
  const bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
  if (!isTerminal || dumb || !sequencesAccepted) return style;
  style.redraw = true;
  style.color = noColor == nullptr || noColor[0] == '\0';
  return style;
}

TerminalStyle DetectTerminalStyle(std::FILE* stream) {
  const bool terminal = IsTerminal(stream);
  // Asked only of a terminal: the call changes the console's mode.
  const bool accepted = terminal && EnableTerminalSequences(stream);
  return ChooseTerminalStyle(terminal, std::getenv("TERM"), std::getenv("NO_COLOR"), accepted);
}

}  // namespace q7310::cli
