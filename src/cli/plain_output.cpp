#include "cli/plain_output.h"

#include <algorithm>

#include "app/texts.h"
#include "cli/console.h"
#include "cli/output_text.h"

namespace q7310::cli {
namespace {

// When the terminal does not say how wide it is.
constexpr int kDefaultColumns = 80;
// Clears from the cursor to the end of the line, so that a shorter text leaves nothing behind.
constexpr const char* kClearToEndOfLine = "\x1b[K";
constexpr const char* kRed = "\x1b[1;31m";
constexpr const char* kYellow = "\x1b[1;33m";
constexpr const char* kGreen = "\x1b[1;32m";
constexpr const char* kColorOff = "\x1b[0m";
// How often a bar whose text has not changed is redrawn for its running time.
constexpr auto kTickRedraw = std::chrono::milliseconds(100);
// How often a bar is redrawn at most while its share stays the same.
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);
constexpr int kPercentPerTenth = 10;

}  // namespace

PlainOutput::PlainOutput(std::FILE* out, std::FILE* err, Settings settings)
    : m_out(out), m_err(err), m_settings(std::move(settings)) {}

PlainOutput::Settings PlainOutput::SettingsFor(std::FILE* out, std::FILE* err, bool quiet) {
  Settings settings;
  settings.quiet = quiet;
  settings.outStyle = DetectTerminalStyle(out);
  settings.errStyle = DetectTerminalStyle(err);
  // Asked at every redraw: the operator may resize the window during a long update.
  settings.columns = [out] { return ConsoleColumns(out); };
  return settings;
}

std::string PlainOutput::Caption(std::string_view caption, const TerminalStyle& style,
                                 const char* color) const {
  if (!style.color) return std::string(caption);
  return std::string(color) + std::string(caption) + kColorOff;
}

void PlainOutput::Line(std::FILE* to, std::string_view text) {
  EndBar();
  if (to != m_out) std::fflush(m_out);
  std::fprintf(to, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(to);
}

void PlainOutput::ResultLine(std::string text) {
  if (m_operation.empty()) {
    Line(m_out, text);
  } else {
    m_pendingResults.push_back(std::move(text));
  }
}

void PlainOutput::EndBar() {
  if (m_barOpen) {
    std::fputc('\n', m_out);
    m_barOpen = false;
  }
}

bool PlainOutput::ClearBar() {
  if (!m_barOpen) return false;
  std::fprintf(m_out, "\r%s", kClearToEndOfLine);
  std::fflush(m_out);
  m_barOpen = false;
  return true;
}

void PlainOutput::DrawBarWhenDue() {
  if (m_meter.Percent() != m_drawnPercent || m_settings.now() - m_lastDraw >= kRedrawInterval) {
    DrawBar();
  }
}

void PlainOutput::DrawBar() {
  const auto now = m_settings.now();
  const std::string stats = m_meter.Stats(now);
  const int columns = m_settings.columns();
  const std::string line = ProgressBarLine({m_operation, m_text, m_meter.Percent(), stats},
                                           columns > 0 ? columns : kDefaultColumns);
  std::fprintf(m_out, "\r%s%s", line.c_str(), kClearToEndOfLine);
  std::fflush(m_out);
  m_barOpen = true;
  m_lastDraw = now;
  m_drawnPercent = m_meter.Percent();
}

void PlainOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  const bool error = kind == MessageKind::Error;
  const TerminalStyle& style = error ? m_settings.errStyle : m_settings.outStyle;
  std::string lines = Caption(MessageCaption(kind), style, error ? kRed : kGreen) + ": ";
  lines += text;
  // A detail of several lines keeps them under one another, below the "detail:" label.
  std::string_view label = "  detail: ";
  while (!detail.empty()) {
    const size_t end = std::min(detail.find('\n'), detail.size());
    lines += '\n';
    lines += label;
    lines += detail.substr(0, end);
    detail.remove_prefix(std::min(end + 1, detail.size()));
    label = "          ";
  }
  if (error) {
    Line(m_err, lines);
  } else {
    ResultLine(std::move(lines));
  }
}

void PlainOutput::Progress(std::string_view text, int percent) {
  m_text = text;
  const bool withShare = m_shareSet;
  m_shareSet = false;
  if (percent >= 0) m_meter.SetPercent(percent);
  if (m_settings.quiet || m_operation.empty()) return;
  if (m_settings.outStyle.redraw) {
    DrawBarWhenDue();
  } else {
    WriteProgressLine(withShare);
  }
}

void PlainOutput::WriteProgressLine(bool withShare) {
  const int percent = m_meter.Percent();
  if (withShare) {
    if (!m_meter.LineDue(percent)) return;
  } else {
    const int tenth = percent / kPercentPerTenth;
    if (m_text == m_lastNote || tenth == m_noteTenth) return;
    m_lastNote = m_text;
    m_noteTenth = tenth;
  }
  Line(m_out, ProgressLine({m_operation, m_text, percent, m_meter.Stats(m_settings.now())}));
}

void PlainOutput::ProgressPercent(int percent) {
  // Shown with the text that comes next (a bar at the next tick when none does).
  m_meter.SetPercent(percent);
  m_shareSet = true;
}

void PlainOutput::Tick() {
  if (!m_barOpen) return;
  if (m_meter.Percent() != m_drawnPercent || m_settings.now() - m_lastDraw >= kTickRedraw) {
    DrawBar();
  }
}

void PlainOutput::Stage(const Guidance& guidance) {
  // The instructions of stages 1 to 3 are the desktop's, with their buttons: the run shows
  // its own before each operation instead. The communication error explains the port error.
  if (guidance.stage != kStageError || m_settings.quiet) return;
  EndBar();
  std::string text = "\n";
  for (const std::string& line : GuidanceLines(guidance.instructions)) text += line + "\n";
  Line(m_out, text);
}

void PlainOutput::Resend(const ResendNotice& notice) {
  const bool barWasDrawn = ClearBar();
  std::fprintf(m_err, "%s\n", notice.text.c_str());
  std::fflush(m_err);
  if (barWasDrawn) DrawBar();
}

void PlainOutput::BackupKept(std::string_view path, std::string_view error) {
  if (path.empty()) {
    Warning(std::string(texts::kCliNoDatedCopy) + std::string(error));
  } else {
    ResultLine(std::string(texts::kCliBackupKept) + std::string(path));
  }
}

void PlainOutput::WorkingFolder(std::string_view path) {
  if (!m_settings.quiet) Line(m_out, std::string(texts::kWorkingFolder) + std::string(path));
}

void PlainOutput::PortChosen(const PortChoice& choice) {
  if (!m_settings.quiet && !choice.ambiguous) {
    Line(m_out, std::string(texts::kCliPort) + DescribeChoice(choice));
  }
}

void PlainOutput::Instructions(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n" + line;
  Line(m_out, text);
}

void PlainOutput::OperationStarted(std::string_view name) {
  EndBar();
  m_operation = name;
  m_text.clear();
  m_shareSet = false;
  m_lastNote.clear();
  m_noteTenth = -1;
  m_drawnPercent = -1;
  m_meter.Start(m_settings.now());
}

void PlainOutput::OperationEnded(const OperationSummary& summary) {
  const std::string closing = ClosingLine(summary);
  if (m_barOpen) {
    // The closing line takes the bar's place.
    std::fprintf(m_out, "\r%s%s\n", closing.c_str(), kClearToEndOfLine);
    std::fflush(m_out);
    m_barOpen = false;
  } else {
    Line(m_out, closing);
  }
  m_operation.clear();
  std::vector<std::string> pending;
  pending.swap(m_pendingResults);
  for (const std::string& line : pending) Line(m_out, line);
}

void PlainOutput::Frame(std::string_view time, std::string_view kind, std::string_view text) {
  Line(m_out, std::string(time) + " " + std::string(kind) + " " + std::string(text));
}

void PlainOutput::Warning(std::string_view text) {
  Line(m_err, Caption("warning", m_settings.errStyle, kYellow) + ": " + std::string(text));
}

void PlainOutput::Cancelled() {
  Line(m_err, texts::kCancelled);
}

void PlainOutput::IncompleteBackup(std::string_view, const SlotCoverage&, std::string_view text) {
  Warning(text);
}

void PlainOutput::BackupBinKept(const KeptBackup& kept) {
  Warning(KeptBackupText(kept));
}

void PlainOutput::SettingsToRestore(const SettingsNote& note) {
  // On standard error, where it stays on the screen when the progress goes to a log.
  Line(m_err, note.text);
}

void PlainOutput::Refusal(std::string_view, std::string_view text, std::string_view detail) {
  std::string lines = Caption("error", m_settings.errStyle, kRed) + ": " + std::string(text);
  for (const std::string& line : SplitLines(detail)) {
    if (!line.empty()) lines += "\n  " + line;
  }
  Line(m_err, lines);
}

}  // namespace q7310::cli
