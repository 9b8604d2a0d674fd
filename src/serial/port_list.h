// The serial ports present on this machine, as the system lists them (Linux: /sys/class/tty;
// Windows: the registry's HKLM\HARDWARE\DEVICEMAP\SERIALCOMM). One file per OS:
// port_list_posix.cpp, port_list_win32.cpp.
#pragma once

#include <string>
#include <vector>

namespace q7310 {

struct SerialPortInfo {
  std::string device;    // e.g. /dev/ttyUSB0, COM3
  std::string driver;    // e.g. serial8250, ftdi_sio, cdc_acm; Windows: the kernel's device name
  int portNumber = 0;    // the port number that maps to this device, 0 when none does
  std::string vendorId;  // USB adapters only: four hex digits
  std::string productId;
  std::string serialNumber;
  std::string description;  // manufacturer and product, as the adapter names itself
};

// Lists the ports under `sysfsRoot` (a tree laid out as /sys: class/tty/<name>/device, …),
// sorted by device name. Entries with no hardware behind them are left out: terminals without a
// device, and UART slots whose type is 0 (no chip found). Windows: the ports in the registry,
// sorted by port number; `sysfsRoot` is not used.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot = "/sys");

// Whether the user may not open `device` for want of permission (Linux: not in the dialout
// group). Always false on Windows, which has no such rule for COM ports.
bool PortAccessDenied(const std::string& device);

// "ttyS0 (port 1), ttyUSB0": the devices of `ports` for a one-line detail.
std::string DescribePorts(const std::vector<SerialPortInfo>& ports);

}  // namespace q7310
