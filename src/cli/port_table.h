// The serial ports as tables for people: the port list of `q7310 ports`, and the adapters to
// choose from when several are present. Columns are as wide as their widest cell, whatever the
// length of a name.
#pragma once

#include <string>
#include <vector>

#include "serial/port_list.h"

namespace q7310::cli {

// "PORT  DEVICE  DRIVER  USB ID  SERIAL  [LATENCY]  DESCRIPTION", a heading and a line per port;
// the latency column only when a port has a known latency timer (Windows).
std::string PortTable(const std::vector<SerialPortInfo>& ports);

// One line per adapter, saying what to type: "--port /dev/ttyUSB0   FTDI FT232R USB UART,
// 0403:6001, serial A50285BI", the descriptions in one column.
std::string AdapterChoices(const std::vector<SerialPortInfo>& adapters);

}  // namespace q7310::cli
