#include "cli/output.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/texts.h"
#include "cli/console.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr int kMinBarWidth = 5;
// When the terminal does not say how wide it is.
constexpr int kDefaultColumns = 80;
// Clears from the cursor to the end of the line, so that a shorter text leaves nothing behind.
constexpr const char* kClearToEndOfLine = "\x1b[K";

int TerminalColumns(std::FILE* out) {
  const int columns = ConsoleColumns(out);
  return columns > 0 ? columns : kDefaultColumns;
}

using Json = nlohmann::ordered_json;

// One object as one line. Bytes that are not UTF-8 (a path in another encoding) become U+FFFD
// rather than stopping the output.
void WriteJsonLine(std::FILE* out, const Json& object) {
  const std::string line = object.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::fprintf(out, "%s\n", line.c_str());
  std::fflush(out);
}

std::string Str(std::string_view text) {
  return std::string(text);
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

std::string PlainLines(std::string_view instructions) {
  std::string text;
  for (size_t i = 0; i < instructions.size(); ++i) {
    if (instructions.compare(i, texts::kGuideLineSeparator.size(), texts::kGuideLineSeparator) ==
        0) {
      text += '\n';
      i += texts::kGuideLineSeparator.size() - 1;
    } else {
      text += instructions[i];
    }
  }
  return text;
}

namespace {

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

}  // namespace

std::string ProgressBarLine(std::string_view text, int percent, int columns) {
  percent = std::clamp(percent, 0, 100);
  std::string lead;
  if (text.find('%') == std::string_view::npos) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%3d %% ", percent);
    lead = digits;
  }
  const int limit = std::max(columns - 1, 1);
  const int frame = 3;  // "[", "] "
  const int rest = CodePoints(lead) + CodePoints(text);
  int bar = std::min(kBarWidth, limit - frame - rest);
  if (bar < kMinBarWidth) bar = limit - frame - CodePoints(lead) >= kMinBarWidth ? kMinBarWidth : 0;
  std::string line;
  if (bar > 0) {
    const int filled = percent * bar / 100;
    line = "[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(bar - filled), ' ') + "] ";
  }
  line += lead;
  line += text;
  return std::string(FirstCodePoints(line, limit));
}

// ---------------------------------------------------------------------------------------------

PlainOutput::PlainOutput(std::FILE* out, std::FILE* err)
    : m_out(out), m_err(err), m_terminal(IsTerminal(out)) {
  if (m_terminal) EnableTerminalSequences(out);
}

void PlainOutput::EndBarLine() {
  if (m_barOpen) {
    std::fputc('\n', m_out);
    m_barOpen = false;
  }
}

void PlainOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  EndBarLine();
  std::fflush(m_out);
  std::FILE* to = kind == MessageKind::Error ? m_err : m_out;
  std::fprintf(to, "%s: %.*s\n", MessageCaption(kind).data(), static_cast<int>(text.size()),
               text.data());
  // A detail of several lines keeps them under one another, below the "detail:" label.
  std::string_view label = "  detail: ";
  while (!detail.empty()) {
    const size_t end = std::min(detail.find('\n'), detail.size());
    std::fprintf(to, "%.*s%.*s\n", static_cast<int>(label.size()), label.data(),
                 static_cast<int>(end), detail.data());
    detail.remove_prefix(std::min(end + 1, detail.size()));
    label = "          ";
  }
  std::fflush(to);
}

void PlainOutput::ProgressTitle(std::string_view title) {
  EndBarLine();
  std::fprintf(m_out, "--- %.*s ---\n", static_cast<int>(title.size()), title.data());
}

void PlainOutput::Progress(std::string_view text, int percent) {
  if (m_terminal && percent >= 0) {
    // Asked at every redraw: the operator may resize the window during a long update.
    const std::string line = ProgressBarLine(text, percent, TerminalColumns(m_out));
    std::fprintf(m_out, "\r%s%s", line.c_str(), kClearToEndOfLine);
    m_barOpen = true;
    m_barText = text;
  } else {
    EndBarLine();
    std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  std::fflush(m_out);
}

void PlainOutput::ProgressPercent(int percent) {
  // Only a bar on a terminal shows the share; plain lines stay one per text.
  if (m_barOpen) Progress(m_barText, percent);
}

void PlainOutput::ProgressHidden() {
  EndBarLine();
  std::fflush(m_out);
}

void PlainOutput::Stage(const Guidance& guidance) {
  EndBarLine();
  std::fprintf(m_out, "\n%s\n\n", PlainLines(guidance.instructions).c_str());
  std::fflush(m_out);
}

void PlainOutput::Note(std::string_view text) {
  EndBarLine();
  std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(m_out);
}

void PlainOutput::Problem(std::string_view text) {
  EndBarLine();
  std::fflush(m_out);
  std::fprintf(m_err, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(m_err);
}

void PlainOutput::BackupKept(std::string_view path, std::string_view error) {
  EndBarLine();
  if (path.empty()) {
    std::fflush(m_out);
    std::fprintf(m_err, "warning: no dated copy of the backup was kept: %.*s\n",
                 static_cast<int>(error.size()), error.data());
  } else {
    std::fprintf(m_out, "Backup kept as %.*s\n", static_cast<int>(path.size()), path.data());
  }
  std::fflush(m_out);
}

// ---------------------------------------------------------------------------------------------

void JsonOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  WriteJsonLine(m_out, Json{{"type", "message"},
                            {"caption", Str(MessageCaption(kind))},
                            {"text", Str(text)},
                            {"detail", Str(detail)}});
}

void JsonOutput::ProgressTitle(std::string_view title) {
  WriteJsonLine(m_out, Json{{"type", "title"}, {"text", Str(title)}});
}

void JsonOutput::Progress(std::string_view text, int percent) {
  Json line{{"type", "progress"}, {"text", Str(text)}};
  if (percent >= 0) line["percent"] = percent;
  WriteJsonLine(m_out, line);
}

void JsonOutput::ProgressHidden() {
  WriteJsonLine(m_out, Json{{"type", "hidden"}});
}

void JsonOutput::Stage(const Guidance& guidance) {
  WriteJsonLine(
      m_out,
      Json{{"type", "stage"}, {"stage", guidance.stage}, {"instructions", guidance.instructions}});
}

void JsonOutput::Event(ProtocolEvent event, std::string_view detail) {
  WriteJsonLine(
      m_out,
      Json{{"type", "event"}, {"event", Str(ProtocolEventName(event))}, {"detail", Str(detail)}});
}

void JsonOutput::BackupKept(std::string_view path, std::string_view error) {
  WriteJsonLine(m_out, Json{{"type", "backup-kept"}, {"path", Str(path)}, {"error", Str(error)}});
}

void JsonOutput::WorkingFolder(std::string_view path) {
  WriteJsonLine(m_out, Json{{"type", "working-folder"}, {"path", Str(path)}});
}

void JsonOutput::Operation(std::string_view name) {
  WriteJsonLine(m_out, Json{{"type", "operation"}, {"name", Str(name)}});
}

void JsonOutput::Result(std::string_view name, bool ok) {
  WriteJsonLine(m_out, Json{{"type", "result"}, {"name", Str(name)}, {"ok", ok}});
}

}  // namespace q7310::cli
