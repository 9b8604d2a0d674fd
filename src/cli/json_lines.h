// JSON lines on standard output: one object a line, UTF-8. The first line of every run is the
// header {"type":"start","format":1,"program":"q7310","version":"…"}, so that a program reading
// the output knows the format before anything else; `format` grows when a line changes meaning.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "serial/port_list.h"

namespace q7310::cli {

using Json = nlohmann::ordered_json;

// The version of the JSON lines' layout.
inline constexpr int kJsonFormat = 1;

class JsonLines {
 public:
  explicit JsonLines(std::FILE* out) : m_out(out) {}
  // Writes `object` as one line (after the header, on the first call). Bytes that are not UTF-8
  // (a path in another encoding) become U+FFFD rather than stopping the output.
  void Write(const Json& object);
  // {"type":"result","name":…,"ok":…}: how a command or operation ended.
  void Result(std::string_view name, bool ok);
  // {"type":"error","text":…,"detail":…}.
  void Error(std::string_view text, std::string_view detail = {});

 private:
  std::FILE* m_out;
  bool m_started = false;
};

std::string Str(std::string_view text);
// A serial port as `q7310 ports` and the port choice describe it: device, port number, driver,
// usb ("0403:6001" or null), serial, description, latency_ms (null when not known).
Json PortObject(const SerialPortInfo& port);

}  // namespace q7310::cli
