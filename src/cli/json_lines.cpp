#include "cli/json_lines.h"

#include "app/version.h"

namespace q7310::cli {

std::string Str(std::string_view text) {
  return std::string(text);
}

void JsonLines::Write(const Json& object) {
  if (!m_started) {
    m_started = true;
    Write(Json{{"type", "start"},
               {"format", kJsonFormat},
               {"program", "q7310"},
               {"version", Str(VersionText())}});
  }
  const std::string line = object.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::fprintf(m_out, "%s\n", line.c_str());
  std::fflush(m_out);
}

void JsonLines::Result(std::string_view name, bool ok) {
  Write(Json{{"type", "result"}, {"name", Str(name)}, {"ok", ok}});
}

void JsonLines::Error(std::string_view text, std::string_view detail) {
  Write(Json{{"type", "error"}, {"text", Str(text)}, {"detail", Str(detail)}});
}

Json PortObject(const SerialPortInfo& port) {
  Json object{{"device", port.device},       {"port", port.portNumber},
              {"driver", port.driver},       {"usb", nullptr},
              {"serial", port.serialNumber}, {"description", port.description},
              {"latency_ms", nullptr}};
  if (port.IsUsbAdapter()) object["usb"] = port.vendorId + ":" + port.productId;
  if (port.latencyMs != kLatencyUnknown) object["latency_ms"] = port.latencyMs;
  return object;
}

}  // namespace q7310::cli
