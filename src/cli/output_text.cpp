#include "cli/output_text.h"

#include <algorithm>
#include <cstdio>

#include "app/numbered_format.h"
#include "app/texts.h"
#include "cli/figures.h"

namespace q7310::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr int kMinBarWidth = 5;
constexpr int kBarFrame = 3;  // "[", "] "
// The room the figures may take ("99.9 s, 99,999 B/s, 99.9 s left" and the gap before them):
// the bar is as wide as the text and this allow, so that it does not twitch as they change.
constexpr int kFiguresRoom = 33;

int CodePoints(std::string_view text) {
  int n = 0;
  for (const unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// The first `count` code points of UTF-8 `text`.
std::string_view FirstCodePoints(std::string_view text, int count) {
  size_t i = 0;
  for (int n = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == count) break;
  }
  return text.substr(0, i);
}

// "  55 % ": the share done, before the text.
std::string PercentLead(int percent) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%3d %% ", std::clamp(percent, 0, 100));
  return digits;
}

// The text without the percentage it starts with, if any ("  40 %  (26240/65536 byte)
// transmitted" is the update's): the line puts the share in the same place for every operation.
std::string_view WithoutLeadingPercent(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  const size_t digits = i == std::string_view::npos ? i : text.find_first_not_of("0123456789", i);
  if (digits == std::string_view::npos || digits == i) return text;
  i = text.find_first_not_of(' ', digits);
  if (i == std::string_view::npos || text[i] != '%') return text;
  i = text.find_first_not_of(' ', i + 1);
  return i == std::string_view::npos ? std::string_view() : text.substr(i);
}

}  // namespace

std::string_view MessageCaption(MessageKind kind) {
  return kind == MessageKind::Error ? texts::kCaptionError : texts::kCaptionComplete;
}

std::string_view ProtocolEventName(ProtocolEvent event) {
  switch (event) {
    case ProtocolEvent::Resend:
      return "resend";
    case ProtocolEvent::GiveUp:
      return "give-up";
    case ProtocolEvent::DroppedFrame:
      return "dropped-frame";
    case ProtocolEvent::IgnoredFrame:
      return "ignored-frame";
  }
  return "unknown";
}

std::vector<std::string> SplitLines(std::string_view text, std::string_view separator) {
  std::vector<std::string> lines;
  for (;;) {
    const size_t end = text.find(separator);
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) return lines;
    text.remove_prefix(end + separator.size());
  }
}

std::vector<std::string> GuidanceLines(std::string_view instructions) {
  return SplitLines(instructions, texts::kGuideLineSeparator);
}

std::string ClosingLine(const OperationSummary& summary) {
  const std::string duration = FormatDuration(summary.seconds);
  using Outcome = OperationSummary::Outcome;
  if (summary.outcome == Outcome::kFailed) {
    return FormatNumbered(texts::kFmtCliFailedAfter, {summary.name, duration});
  }
  if (summary.outcome == Outcome::kCancelled) {
    return FormatNumbered(texts::kFmtCliCancelledAfter, {summary.name, duration});
  }
  const std::string bytes =
      summary.bytes >= 0 ? FormatCount(static_cast<uint64_t>(summary.bytes)) : "";
  if (summary.blocks >= 0 && summary.bytes >= 0) {
    return FormatNumbered(
        texts::kFmtCliBlocksBytes,
        {summary.name, FormatCount(static_cast<uint64_t>(summary.blocks)), bytes, duration});
  }
  if (summary.slots >= 0 && summary.bytes >= 0) {
    return FormatNumbered(
        texts::kFmtCliSlotsBytes,
        {summary.name, FormatCount(static_cast<uint64_t>(summary.slots)), bytes, duration});
  }
  return FormatNumbered(texts::kFmtCliDoneIn, {summary.name, duration});
}

std::string ProgressLine(const ProgressParts& parts) {
  std::string line(parts.name);
  line += ' ';
  line += PercentLead(parts.percent);
  line += WithoutLeadingPercent(parts.text);
  if (!parts.stats.empty()) line += "  (" + std::string(parts.stats) + ")";
  return line;
}

std::string ProgressBarLine(const ProgressParts& parts, int columns) {
  const int limit = std::max(columns - 1, 1);
  const std::string lead = std::string(parts.name) + " ";
  const std::string percent = PercentLead(parts.percent);
  const std::string_view text = WithoutLeadingPercent(parts.text);
  const std::string tail = parts.stats.empty() ? "" : "  " + std::string(parts.stats);
  // The name, the share and the figures stay longest; the bar shrinks first, then the text.
  const int kept = CodePoints(lead) + CodePoints(percent) + CodePoints(tail);
  const int figures = tail.empty() ? 0 : std::max(kFiguresRoom, CodePoints(tail));
  int bar =
      std::min(kBarWidth, limit - kept + CodePoints(tail) - figures - kBarFrame - CodePoints(text));
  if (bar < kMinBarWidth) bar = limit - kept - kBarFrame >= kMinBarWidth ? kMinBarWidth : 0;

  std::string head = lead;
  if (bar > 0) {
    const int filled = std::clamp(parts.percent, 0, 100) * bar / 100;
    head += '[';
    head.append(static_cast<size_t>(filled), '#');
    head.append(static_cast<size_t>(bar - filled), ' ');
    head += "] ";
  }
  head += percent;
  const int room = limit - CodePoints(head) - CodePoints(tail);
  if (room < 0) return std::string(FirstCodePoints(head + tail, limit));
  return head + std::string(FirstCodePoints(text, room)) + tail;
}

}  // namespace q7310::cli
