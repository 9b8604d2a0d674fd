// The two output forms of the command-line tool: lines for people, JSON lines for programs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/terminal_host.h"

namespace q7310::cli {

// For people: progress, stage texts and "COMPLETE: <text>" on standard output; "ERROR: <text>"
// and its "  detail: …" line on standard error, so that a script or a log keeps the two apart.
// Each progress text is a line of its own; on a terminal it redraws one line with a bar that
// fits the terminal's width instead.
class PlainOutput : public OutputSink {
 public:
  PlainOutput(std::FILE* out, std::FILE* err);
  void Message(MessageKind kind, std::string_view text, std::string_view detail) override;
  void ProgressTitle(std::string_view title) override;
  void Progress(std::string_view text, int percent) override;
  void ProgressPercent(int percent) override;
  void ProgressHidden() override;
  void Stage(const Guidance& guidance) override;
  void Event(ProtocolEvent, std::string_view) override {}
  void BackupKept(std::string_view path, std::string_view error) override;
  // A line of the tool's own (not a message box).
  void Note(std::string_view text);
  // A failure line of the tool's own, on standard error.
  void Problem(std::string_view text);

 private:
  void EndBarLine();
  std::FILE* m_out;
  std::FILE* m_err;
  bool m_terminal;
  bool m_barOpen = false;
  std::string m_barText;  // the open bar's text, for a redraw with a new percentage
};

// One JSON object per line, everything on standard output: {"type":"message"|"title"|
// "progress"|"hidden"|"stage"|"event"|"backup-kept"|"working-folder"|"operation"|"result", ...}.
// Texts are UTF-8.
class JsonOutput : public OutputSink {
 public:
  explicit JsonOutput(std::FILE* out) : m_out(out) {}
  void Message(MessageKind kind, std::string_view text, std::string_view detail) override;
  void ProgressTitle(std::string_view title) override;
  void Progress(std::string_view text, int percent) override;
  void ProgressHidden() override;
  void Stage(const Guidance& guidance) override;
  void Event(ProtocolEvent event, std::string_view detail) override;
  void BackupKept(std::string_view path, std::string_view error) override;
  void WorkingFolder(std::string_view path);
  void Operation(std::string_view name);
  void Result(std::string_view name, bool ok);

 private:
  std::FILE* m_out;
};

std::string_view MessageCaption(MessageKind kind);
std::string_view ProtocolEventName(ProtocolEvent event);
// The guidance text with its "\r\n" line breaks as plain newlines.
std::string PlainLines(std::string_view instructions);
// The terminal line that shows `text` at `percent` with a bar, at most `columns - 1` characters
// wide (so that it never wraps): the bar shrinks first, then the text is cut. The percentage is
// put before the text unless the text carries it already.
std::string ProgressBarLine(std::string_view text, int percent, int columns);

}  // namespace q7310::cli
