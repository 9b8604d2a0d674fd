#include "cli/port_table.h"

#include <algorithm>
#include <array>

#include "app/port_choice.h"

namespace q7310::cli {
namespace {

constexpr std::string_view kNone = "-";
constexpr std::string_view kColumnGap = "  ";

struct Column {
  std::string_view heading;
  std::string (*cell)(const SerialPortInfo& port);
};

std::string OrNone(const std::string& text) {
  return text.empty() ? std::string(kNone) : text;
}

constexpr std::array kColumns = {
    Column{"PORT",
           [](const SerialPortInfo& p) {
             return p.portNumber ? std::to_string(p.portNumber) : std::string(kNone);
           }},
    Column{"DEVICE", [](const SerialPortInfo& p) { return p.device; }},
    Column{"DRIVER", [](const SerialPortInfo& p) { return OrNone(p.driver); }},
    Column{"USB ID",
           [](const SerialPortInfo& p) {
             return p.IsUsbAdapter() ? p.vendorId + ":" + p.productId : std::string(kNone);
           }},
    Column{"SERIAL", [](const SerialPortInfo& p) { return OrNone(p.serialNumber); }},
    Column{"LATENCY",
           [](const SerialPortInfo& p) {
             return p.latencyMs == kLatencyUnknown ? std::string(kNone)
                                                   : std::to_string(p.latencyMs) + " ms";
           }},
    Column{"DESCRIPTION", [](const SerialPortInfo& p) { return p.description; }},
};
constexpr size_t kLatencyColumn = 5;

size_t CodePoints(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::string PortTable(const std::vector<SerialPortInfo>& ports) {
  const bool latency = std::any_of(ports.begin(), ports.end(), [](const SerialPortInfo& p) {
    return p.latencyMs != kLatencyUnknown;
  });
  std::vector<std::vector<std::string>> rows(1);
  for (const Column& column : kColumns) rows[0].emplace_back(column.heading);
  for (const SerialPortInfo& port : ports) {
    rows.emplace_back();
    for (const Column& column : kColumns) rows.back().push_back(column.cell(port));
  }
  std::vector<size_t> widths(kColumns.size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], CodePoints(row[c]));
  }
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c == kLatencyColumn && !latency) continue;
      if (c > 0) line += kColumnGap;
      line += row[c];
      line.append(widths[c] - CodePoints(row[c]), ' ');
    }
    // No blanks at the line's end (an empty or short last column).
    line.erase(line.find_last_not_of(' ') + 1);
    table += line + "\n";
  }
  return table;
}

std::string AdapterChoices(const std::vector<SerialPortInfo>& adapters) {
  size_t width = 0;
  for (const SerialPortInfo& adapter : adapters) {
    width = std::max(width, adapter.device.size());
  }
  std::string lines;
  for (const SerialPortInfo& adapter : adapters) {
    std::string line = "--port " + adapter.device;
    line.append(width - adapter.device.size() + 3, ' ');
    line += DescribeListedPort(adapter);
    if (!adapter.serialNumber.empty()) line += ", serial " + adapter.serialNumber;
    lines += line + "\n";
  }
  return lines;
}

}  // namespace q7310::cli
