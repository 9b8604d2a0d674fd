// Which serial port a run opens, decided the same way by every front end: the port the operator
// named (a number, a Windows name such as COM3, or a device path), else the one USB serial
// adapter present, else port 1. The command-line tool decides with these at start; the desktop
// program can call ChoosePortToOpen when it has no remembered port.
//
// Pure functions on the port list (serial/port_list.h), safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port_list.h"

namespace q7310 {

// The port opened when nothing names one and no single adapter is present.
inline constexpr int kDefaultPortNo = 1;
// The highest port number a front end accepts.
inline constexpr int kMaxPortNo = 9999;

// A port as the operator names it: a port number, or a device.
struct PortName {
  int portNo = 0;      // 1..kMaxPortNo; 0 when `device` names the port
  std::string device;  // a device path ("/dev/ttyUSB0", "\\.\COM12"); empty for a number

  bool operator==(const PortName&) const = default;
};

// Reads what an operator typed for a port: "3" (port 3), "COM3" in any case (port 3, on every
// OS: port N is COMN on Windows and /dev/ttyS<N-1> on Linux), or a device (DeviceFromText).
// Nothing when the text names no port.
std::optional<PortName> ParsePortName(std::string_view text);

// The device that `text` names as a path on this OS, or nothing. Linux: a path with a '/'
// ("/dev/ttyUSB0", "./link"), or a terminal's name under /dev ("ttyUSB0" is /dev/ttyUSB0).
// Windows: a name under "\\.\" ("\\.\COM12", "\\.\CNCA0"). One file per OS
// (port_choice_posix.cpp, port_choice_win32.cpp).
std::optional<std::string> DeviceFromText(std::string_view text);

// How the port of a run was decided.
enum class PortSource {
  kNamed,        // the operator named it (an option, a variable, a remembered setting)
  kOnlyAdapter,  // nothing named it and it is the only USB serial adapter present
  kDefault,      // nothing named it and no USB serial adapter is present: port 1
};

struct PortChoice {
  // Several USB serial adapters and nothing to tell which: the operator has to name one; `port`
  // is then empty and `adapters` lists them.
  bool ambiguous = false;
  PortName port;
  PortSource source = PortSource::kDefault;
  // What the system lists for the chosen port, when it lists it.
  std::optional<SerialPortInfo> info;
  // Every USB serial adapter present (ambiguous: the ones to choose from).
  std::vector<SerialPortInfo> adapters;
};

// The port to open: `named` when the operator named one, else the only USB serial adapter among
// `present`, else (none present) port 1; with several adapters present and none named, an
// ambiguous choice.
PortChoice ChoosePortToOpen(const std::optional<PortName>& named,
                            const std::vector<SerialPortInfo>& present);

// The entry of `present` that `port` opens, or null when the system does not list it.
const SerialPortInfo* FindListedPort(const std::vector<SerialPortInfo>& present,
                                     const PortName& port);

// The device that `port` opens, as the operator knows it: the path, or the port number's device
// ("/dev/ttyS2"; Windows: "COM3").
std::string PortDevice(const PortName& port);
// The chosen port for a line of its own: "/dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)",
// "/dev/ttyS0 (port 1)".
std::string DescribeChoice(const PortChoice& choice);

// What a port is, for the parentheses after its device: "FTDI FT232R USB UART, 0403:6001",
// "port 1" for a built-in port; empty when nothing is known.
std::string DescribeListedPort(const SerialPortInfo& port);

}  // namespace q7310
