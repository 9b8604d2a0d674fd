// Pure helpers for the names the systems give serial ports and USB adapters: Windows' COM names,
// device instance and hardware ids ("USB\VID_0403&PID_6001\A50285BI"), and the description of an
// adapter for one line. Plain string work, safe on any thread and tested on every OS.
#pragma once

#include <string>
#include <string_view>

namespace q7310 {

// n for "COMn" in any case ("com3", "COM12"), 0 for any other name.
int ComPortNumber(std::string_view name);

// What a Windows device instance id or hardware id says of a USB device: its vendor and product
// ids (four lower-case hex digits, as Linux writes them) and its serial number. Reads the
// "VID_xxxx" and "PID_xxxx" parts wherever they stand; the serial number is the last part of a
// USB instance id ("USB\VID_0403&PID_6001\A50285BI") or the third field of an FTDI bus id
// ("FTDIBUS\VID_0403+PID_6001+A50285BIA\0000"), and empty when Windows made the part up (it then
// holds '&'). Fields not found stay empty.
struct UsbIds {
  std::string vendorId;
  std::string productId;
  std::string serialNumber;
};
UsbIds ParseUsbIds(std::string_view deviceId);

// The description of a Windows port as Device Manager names it, without the "(COMn)" that the
// friendly name ends with: "USB Serial Port (COM7)" by "FTDI" gives "FTDI USB Serial Port". The
// maker goes first unless the name has it already or it is a placeholder such as "(Standard port
// types)".
std::string WindowsPortDescription(std::string_view friendlyName, std::string_view maker);

}  // namespace q7310
