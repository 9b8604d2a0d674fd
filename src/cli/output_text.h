// Texts that both output forms of the command-line tool build: captions, event names, the
// guidance's lines, and the progress line with its figures (redrawn as a bar on a terminal,
// written as plain lines elsewhere). Pure functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/upgrade_host.h"
#include "cli/output_sink.h"

namespace q7310::cli {

std::string_view MessageCaption(MessageKind kind);
std::string_view ProtocolEventName(ProtocolEvent event);
// The lines of `text`, split at every `separator`.
std::vector<std::string> SplitLines(std::string_view text, std::string_view separator = "\n");
// The guidance text's lines ("\r\n" between them).
std::vector<std::string> GuidanceLines(std::string_view instructions);

// An operation's closing line: "backup: 9 slots, 135,204 bytes in 3.3 s", "update: 513 blocks,
// 65,536 bytes in 13.7 s", "restore: failed after 20.1 s".
std::string ClosingLine(const OperationSummary& summary);

// What a progress line shows.
struct ProgressParts {
  std::string_view name;  // the operation: "backup"
  std::string_view text;  // the controller's progress text: "Reading ... slot no. 5"
  int percent = 0;
  std::string_view stats;  // the meter's figures: "1.8 s, 4,771 B/s, 1.5 s left"
};

// Line mode: "backup  55 % Reading ... slot no. 5  (1.8 s, 4,771 B/s, 1.5 s left)". A text
// that starts with its own percentage (the update's "  40 %  (26240/65536 byte) transmitted")
// loses it: the share stands in the same place for every operation.
std::string ProgressLine(const ProgressParts& parts);
// A bar on a terminal, at most `columns - 1` characters wide (so that it never wraps):
// "backup [#####     ]  55 % Reading ... slot no. 5  1.8 s, 4,771 B/s, 1.5 s left". The bar
// shrinks first, then the text is cut, then the bar goes, then the figures are cut; the name
// and the share stay.
std::string ProgressBarLine(const ProgressParts& parts, int columns);

}  // namespace q7310::cli
