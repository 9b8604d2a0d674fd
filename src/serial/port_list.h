// The serial ports present on this machine, as the system lists them (Linux: /sys/class/tty;
// Windows: the Ports device class through SetupAPI, and the registry's
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM for ports that SetupAPI does not list). One file per OS:
// port_list_posix.cpp, port_list_win32.cpp.
#pragma once

#include <string>
#include <vector>

namespace q7310 {

// A latency timer not known (no USB adapter, or its driver keeps none where it can be read).
inline constexpr int kLatencyUnknown = -1;

struct SerialPortInfo {
  std::string device;    // e.g. /dev/ttyUSB0, COM3
  std::string driver;    // e.g. serial8250, ftdi_sio, cdc_acm; Windows: the driver's service name
                         // (FTSER2K, usbser) or, from the registry, the kernel's device name
  int portNumber = 0;    // the port number that maps to this device, 0 when none does
  std::string vendorId;  // USB adapters only: four hex digits
  std::string productId;
  std::string serialNumber;
  std::string description;  // manufacturer and product, as the adapter or its driver names it
  // Windows: the USB adapter driver's latency timer in ms (how long the adapter holds a short
  // reply before passing it on); kLatencyUnknown elsewhere.
  int latencyMs = kLatencyUnknown;

  // A USB serial adapter (it has USB ids), as opposed to a built-in port.
  bool IsUsbAdapter() const { return !vendorId.empty(); }
};

// Lists the ports under `sysfsRoot` (a tree laid out as /sys: class/tty/<name>/device, …),
// sorted by device name, each named as `devRoot`/<name>. Entries with no hardware behind them
// are left out: terminals without a device, and UART slots whose type is 0 (no chip found).
// Windows: the ports SetupAPI lists in the Ports class, with those only in the registry added,
// sorted by port number; the two roots are not used.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot = "/sys",
                                            const std::string& devRoot = "/dev");

// Whether the user may not open `device` for want of permission (Linux: not in the dialout
// group). Always false on Windows, which has no such rule for COM ports.
bool PortAccessDenied(const std::string& device);

// "ttyS0 (port 1), ttyUSB0": the devices of `ports` for a one-line detail.
std::string DescribePorts(const std::vector<SerialPortInfo>& ports);

}  // namespace q7310
