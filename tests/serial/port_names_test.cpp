// The names Windows gives ports and USB devices, read into what the port list shows. Pure string
// work: the same on every OS, and run under Wine too.
#include "serial/port_names.h"

#include <gtest/gtest.h>

namespace q7310 {
namespace {

TEST(PortNames, ComNamesInAnyCaseGiveTheirNumber) {
  struct Case {
    const char* name;
    int number;
  };
  for (const Case& c : {Case{"COM1", 1}, Case{"com3", 3}, Case{"Com12", 12}, Case{"COM9999", 9999},
                        Case{"COM", 0}, Case{"COM10000", 0}, Case{"COM3a", 0}, Case{"LPT1", 0},
                        Case{"\\\\.\\COM3", 0}, Case{"", 0}}) {
    EXPECT_EQ(ComPortNumber(c.name), c.number) << c.name;
  }
}

TEST(PortNames, UsbIdsComeFromInstanceAndHardwareIds) {
  struct Case {
    const char* id;
    const char* vendor;
    const char* product;
    const char* serial;
  };
  const Case cases[] = {
      // A USB device with a serial number of its own.
      {"USB\\VID_0403&PID_6001\\A50285BI", "0403", "6001", "A50285BI"},
      // FTDI's own bus driver: the serial number with the channel letter.
      {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "0403", "6001", "A50285BIA"},
      // No serial number: Windows makes up a part with '&' in it.
      {"USB\\VID_10C4&PID_EA60\\5&2A9F1B3C&0&2", "10c4", "ea60", ""},
      // A hardware id (several strings, one per line): ids only.
      {"USB\\VID_067B&PID_2303&REV_0300\nUSB\\VID_067B&PID_2303", "067b", "2303", ""},
      // A built-in port: no USB ids at all.
      {"ACPI\\PNP0501\\1", "", "", ""},
      {"USB\\VID_12&PID_ZZZZ\\X", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const UsbIds ids = ParseUsbIds(c.id);
    EXPECT_EQ(ids.vendorId, c.vendor);
    EXPECT_EQ(ids.productId, c.product);
    EXPECT_EQ(ids.serialNumber, c.serial);
  }
}

TEST(PortNames, WindowsDescriptionLeavesOutThePortAndPutsTheMakerFirst) {
  EXPECT_EQ(WindowsPortDescription("USB Serial Port (COM7)", "FTDI"), "FTDI USB Serial Port");
  // The maker already named, or only a placeholder: the name alone.
  EXPECT_EQ(WindowsPortDescription("Prolific USB-to-Serial Comm Port (COM3)", "Prolific"),
            "Prolific USB-to-Serial Comm Port");
  EXPECT_EQ(WindowsPortDescription("Communications Port (COM1)", "(Standard port types)"),
            "Communications Port");
  // Parentheses that do not name a port stay.
  EXPECT_EQ(WindowsPortDescription("Serial (RS-232)", ""), "Serial (RS-232)");
  EXPECT_EQ(WindowsPortDescription("", "FTDI"), "FTDI");
}

}  // namespace
}  // namespace q7310
