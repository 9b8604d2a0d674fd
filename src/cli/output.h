// The two output forms of the command-line tool: lines for people, JSON lines for programs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/terminal_host.h"

namespace q7310::cli {

// One line per message box ("ERROR: <text>", "COMPLETE: <text>"), per progress text and per
// stage change. On a terminal the update's progress redraws one line with a bar instead.
class PlainOutput : public OutputSink {
 public:
  explicit PlainOutput(std::FILE* out);
  void Message(MessageKind kind, std::string_view text, std::string_view detail) override;
  void ProgressTitle(std::string_view title) override;
  void Progress(std::string_view text, int percent) override;
  void ProgressHidden() override;
  void Stage(const Guidance& guidance) override;
  void Event(ProtocolEvent, std::string_view) override {}
  void BackupKept(std::string_view path, std::string_view error) override;
  // A line of the tool's own (not a message box).
  void Note(std::string_view text);

 private:
  void EndBarLine();
  std::FILE* m_out;
  bool m_terminal;
  bool m_barOpen = false;
};

// One JSON object per line: {"type":"message"|"title"|"progress"|"hidden"|"stage"|"event"|
// "backup-kept"|"working-folder"|"operation"|"result", ...}.
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
  void Line(const std::string& json);
  std::FILE* m_out;
};

// `text` as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);
std::string_view MessageCaption(MessageKind kind);
std::string_view ProtocolEventName(ProtocolEvent event);
// The guidance text with its "\r\n" line breaks as plain newlines.
std::string PlainLines(std::string_view instructions);

}  // namespace q7310::cli
