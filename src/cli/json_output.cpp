#include "cli/json_output.h"

#include <cmath>

#include "cli/output_text.h"

namespace q7310::cli {
namespace {

constexpr double kMsPerSecond = 1000.0;

std::string_view SourceName(PortSource source) {
  switch (source) {
    case PortSource::kNamed:
      return "named";
    case PortSource::kOnlyAdapter:
      return "only-adapter";
    case PortSource::kDefault:
      return "default";
  }
  return "unknown";
}

std::string_view OutcomeName(OperationSummary::Outcome outcome) {
  switch (outcome) {
    case OperationSummary::Outcome::kDone:
      return "done";
    case OperationSummary::Outcome::kFailed:
      return "failed";
    case OperationSummary::Outcome::kCancelled:
      return "cancelled";
  }
  return "unknown";
}

// A count, or null when the operation does not count it.
Json Count(int64_t value) {
  return value >= 0 ? Json(value) : Json(nullptr);
}

}  // namespace

void JsonOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  m_lines.Write(Json{{"type", "message"},
                     {"caption", Str(MessageCaption(kind))},
                     {"text", Str(text)},
                     {"detail", Str(detail)}});
}

void JsonOutput::ProgressTitle(std::string_view title) {
  m_lines.Write(Json{{"type", "title"}, {"text", Str(title)}});
}

void JsonOutput::Progress(std::string_view text, int percent) {
  Json line{{"type", "progress"}, {"text", Str(text)}};
  if (percent >= 0) line["percent"] = percent;
  m_lines.Write(line);
}

void JsonOutput::ProgressHidden() {
  m_lines.Write(Json{{"type", "hidden"}});
}

void JsonOutput::Stage(const Guidance& guidance) {
  m_lines.Write(
      Json{{"type", "stage"}, {"stage", guidance.stage}, {"instructions", guidance.instructions}});
}

void JsonOutput::Event(ProtocolEvent event, std::string_view detail) {
  m_lines.Write(
      Json{{"type", "event"}, {"event", Str(ProtocolEventName(event))}, {"detail", Str(detail)}});
}

void JsonOutput::Resend(const ResendNotice& notice) {
  m_lines.Write(Json{{"type", "resend"},
                     {"command", Str(notice.command)},
                     {"count", notice.count},
                     {"limit", notice.limit},
                     {"timeout_ms", notice.timeoutMs},
                     {"text", Str(notice.text)}});
}

void JsonOutput::BackupKept(std::string_view path, std::string_view error) {
  m_lines.Write(Json{{"type", "backup-kept"}, {"path", Str(path)}, {"error", Str(error)}});
}

void JsonOutput::WorkingFolder(std::string_view path) {
  m_lines.Write(Json{{"type", "working-folder"}, {"path", Str(path)}});
}

void JsonOutput::PortChosen(const PortChoice& choice) {
  if (choice.ambiguous) {
    for (const SerialPortInfo& adapter : choice.adapters) {
      Json line{{"type", "adapter"}};
      line.update(PortObject(adapter));
      m_lines.Write(line);
    }
    return;
  }
  Json line{{"type", "port"},
            {"device", PortDevice(choice.port)},
            {"port", choice.port.portNo},
            {"source", Str(SourceName(choice.source))},
            {"listed", nullptr}};
  if (choice.info) line["listed"] = PortObject(*choice.info);
  m_lines.Write(line);
}

void JsonOutput::OperationStarted(std::string_view name) {
  m_lines.Write(Json{{"type", "operation"}, {"name", Str(name)}});
}

void JsonOutput::OperationEnded(const OperationSummary& summary) {
  m_lines.Write(Json{{"type", "summary"},
                     {"name", Str(summary.name)},
                     {"outcome", Str(OutcomeName(summary.outcome))},
                     {"slots", Count(summary.slots)},
                     {"blocks", Count(summary.blocks)},
                     {"bytes", Count(summary.bytes)},
                     {"seconds", std::round(summary.seconds * kMsPerSecond) / kMsPerSecond}});
}

void JsonOutput::Frame(std::string_view time, std::string_view kind, std::string_view text) {
  m_lines.Write(
      Json{{"type", "trace"}, {"time", Str(time)}, {"kind", Str(kind)}, {"text", Str(text)}});
}

void JsonOutput::Warning(std::string_view text) {
  m_lines.Write(Json{{"type", "warning"}, {"text", Str(text)}});
}

void JsonOutput::IncompleteBackup(std::string_view path, const SlotCoverage& coverage,
                                  std::string_view text) {
  m_lines.Write(Json{{"type", "incomplete-backup"},
                     {"file", Str(path)},
                     {"missing", coverage.missing},
                     {"repeated", coverage.repeated},
                     {"unexpected", coverage.unexpected},
                     {"text", Str(text)}});
}

void JsonOutput::BackupBinKept(const KeptBackup& kept) {
  m_lines.Write(Json{{"type", "backup-bin-kept"},
                     {"path", Str(kept.path)},
                     {"reason", Str(kept.why)},
                     {"text", Str(KeptBackupText(kept))}});
}

void JsonOutput::SettingsToRestore(const SettingsNote& note) {
  m_lines.Write(Json{{"type", "saved-settings"},
                     {"path", Str(note.path)},
                     {"dated_copy", note.datedCopy},
                     {"command", Str(note.how)},
                     {"text", Str(note.text)}});
}

void JsonOutput::Refusal(std::string_view name, std::string_view text, std::string_view detail) {
  m_lines.Error(text, detail);
  m_lines.Result(name, false);
}

}  // namespace q7310::cli
