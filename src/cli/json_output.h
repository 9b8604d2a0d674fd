// Output for programs: one JSON object per line on standard output, the header line first
// (json_lines.h). The objects and their fields are listed in the README's table of JSON lines.
#pragma once

#include <cstdio>
#include <string_view>

#include "cli/json_lines.h"
#include "cli/output_sink.h"

namespace q7310::cli {

class JsonOutput : public OutputSink {
 public:
  explicit JsonOutput(std::FILE* out) : m_lines(out) {}
  JsonLines& Lines() { return m_lines; }

  void Message(MessageKind kind, std::string_view text, std::string_view detail) override;
  void ProgressTitle(std::string_view title) override;
  void Progress(std::string_view text, int percent) override;
  void ProgressHidden() override;
  void Stage(const Guidance& guidance) override;
  void Event(ProtocolEvent event, std::string_view detail) override;
  void Resend(const ResendNotice& notice) override;
  void BackupKept(std::string_view path, std::string_view error) override;

  void WorkingFolder(std::string_view path) override;
  void PortChosen(const PortChoice& choice) override;
  void Instructions(const std::vector<std::string>&) override {}
  void OperationStarted(std::string_view name) override;
  void DataMoved(uint64_t) override {}
  void OperationEnded(const OperationSummary& summary) override;
  void Frame(std::string_view time, std::string_view kind, std::string_view text) override;
  void Warning(std::string_view text) override;
  void Refusal(std::string_view name, std::string_view text, std::string_view detail) override;
  void Result(std::string_view name, bool ok) override { m_lines.Result(name, ok); }
  void IncompleteBackup(std::string_view path, const SlotCoverage& coverage,
                        std::string_view text) override;
  void BackupBinKept(const KeptBackup& kept) override;
  void SettingsToRestore(const SettingsNote& note) override;

 private:
  JsonLines m_lines;
};

}  // namespace q7310::cli
