#include "cli/output.h"

#include <algorithm>

#include "app/texts.h"
#include "util/process_info.h"

namespace q7310::cli {
namespace {

constexpr int kBarWidth = 30;

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

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Device texts are in a single-byte code page; keep the JSON valid and the byte visible.
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          json += esc;
        } else {
          json += static_cast<char>(c);
        }
    }
  }
  return json + "\"";
}

// ---------------------------------------------------------------------------------------------

PlainOutput::PlainOutput(std::FILE* out) : m_out(out), m_terminal(IsTerminal(out)) {}

void PlainOutput::EndBarLine() {
  if (m_barOpen) {
    std::fputc('\n', m_out);
    m_barOpen = false;
  }
}

void PlainOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  EndBarLine();
  std::fprintf(m_out, "%s: %.*s\n", MessageCaption(kind).data(), static_cast<int>(text.size()),
               text.data());
  // A detail of several lines keeps them under one another, below the "detail:" label.
  std::string_view label = "  detail: ";
  while (!detail.empty()) {
    const size_t end = std::min(detail.find('\n'), detail.size());
    std::fprintf(m_out, "%.*s%.*s\n", static_cast<int>(label.size()), label.data(),
                 static_cast<int>(end), detail.data());
    detail.remove_prefix(std::min(end + 1, detail.size()));
    label = "          ";
  }
  std::fflush(m_out);
}

void PlainOutput::ProgressTitle(std::string_view title) {
  EndBarLine();
  std::fprintf(m_out, "--- %.*s ---\n", static_cast<int>(title.size()), title.data());
}

void PlainOutput::Progress(std::string_view text, int percent) {
  if (m_terminal && percent >= 0) {
    const int filled = percent * kBarWidth / 100;
    std::fprintf(m_out, "\r[%s%s] %.*s", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kBarWidth - filled), ' ').c_str(),
                 static_cast<int>(text.size()), text.data());
    m_barOpen = true;
  } else {
    EndBarLine();
    std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  std::fflush(m_out);
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

void PlainOutput::BackupKept(std::string_view path, std::string_view error) {
  EndBarLine();
  if (path.empty()) {
    std::fprintf(stderr, "warning: no dated copy of the backup was kept: %.*s\n",
                 static_cast<int>(error.size()), error.data());
  } else {
    std::fprintf(m_out, "Backup kept as %.*s\n", static_cast<int>(path.size()), path.data());
  }
  std::fflush(m_out);
}

// ---------------------------------------------------------------------------------------------

void JsonOutput::Line(const std::string& json) {
  std::fprintf(m_out, "%s\n", json.c_str());
  std::fflush(m_out);
}

void JsonOutput::Message(MessageKind kind, std::string_view text, std::string_view detail) {
  Line("{\"type\":\"message\",\"caption\":" + JsonString(MessageCaption(kind)) +
       ",\"text\":" + JsonString(text) + ",\"detail\":" + JsonString(detail) + "}");
}

void JsonOutput::ProgressTitle(std::string_view title) {
  Line("{\"type\":\"title\",\"text\":" + JsonString(title) + "}");
}

void JsonOutput::Progress(std::string_view text, int percent) {
  std::string json = "{\"type\":\"progress\",\"text\":" + JsonString(text);
  if (percent >= 0) json += ",\"percent\":" + std::to_string(percent);
  Line(json + "}");
}

void JsonOutput::ProgressHidden() {
  Line("{\"type\":\"hidden\"}");
}

void JsonOutput::Stage(const Guidance& guidance) {
  Line("{\"type\":\"stage\",\"stage\":" + std::to_string(guidance.stage) +
       ",\"instructions\":" + JsonString(guidance.instructions) + "}");
}

void JsonOutput::Event(ProtocolEvent event, std::string_view detail) {
  Line("{\"type\":\"event\",\"event\":" + JsonString(ProtocolEventName(event)) +
       ",\"detail\":" + JsonString(detail) + "}");
}

void JsonOutput::BackupKept(std::string_view path, std::string_view error) {
  Line("{\"type\":\"backup-kept\",\"path\":" + JsonString(path) +
       ",\"error\":" + JsonString(error) + "}");
}

void JsonOutput::WorkingFolder(std::string_view path) {
  Line("{\"type\":\"working-folder\",\"path\":" + JsonString(path) + "}");
}

void JsonOutput::Operation(std::string_view name) {
  Line("{\"type\":\"operation\",\"name\":" + JsonString(name) + "}");
}

void JsonOutput::Result(std::string_view name, bool ok) {
  Line("{\"type\":\"result\",\"name\":" + JsonString(name) + ",\"ok\":" + (ok ? "true" : "false") +
       "}");
}

}  // namespace q7310::cli
