#include "serial/port_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;

// A made-up sysfs tree: a UART with a chip, an empty UART slot, a USB adapter, a virtual terminal.
class FakeSysfs {
 public:
  FakeSysfs() {
    AddDevice("ttyS0", "devices/platform/serial8250/tty/ttyS0", "serial8250", "4");
    AddDevice("ttyS1", "devices/platform/serial8250/tty/ttyS1", "serial8250", "0");
    const fs::path usb = root / "devices/pci0000:00/usb1/1-1";
    fs::create_directories(usb);
    Write(usb / "idVendor", "0403");
    Write(usb / "idProduct", "6001");
    Write(usb / "serial", "A50285BI");
    Write(usb / "manufacturer", "Maker");
    Write(usb / "product", "USB Serial Cable");
    AddDevice("ttyUSB0", "devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0", "ftdi_sio", "");
    fs::create_directories(root / "class/tty/tty1");  // no device link
  }

  void AddDevice(const std::string& name, const std::string& devicePath, const std::string& driver,
                 const std::string& type) {
    const fs::path dev = root / devicePath;
    fs::create_directories(dev);
    fs::create_directories(root / "bus/drivers" / driver);
    fs::create_symlink(root / "bus/drivers" / driver, dev / "driver");
    const fs::path cls = root / "class/tty" / name;
    fs::create_directories(cls);
    fs::create_directory_symlink(dev, cls / "device");
    if (!type.empty()) Write(cls / "type", type);
  }
  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }

  testing::TempFolder scratch{"q7310-sysfs"};
  const fs::path root = scratch.Path();
};

TEST(PortList, ListsPortsWithHardwareAndTheirPortNumbers) {
  FakeSysfs sysfs;
  const auto ports = ListSerialPorts(sysfs.root.string());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].device, "/dev/ttyS0");
  EXPECT_EQ(ports[0].driver, "serial8250");
  EXPECT_EQ(ports[0].portNumber, 1);
  EXPECT_TRUE(ports[0].vendorId.empty());
  EXPECT_EQ(ports[1].device, "/dev/ttyUSB0");
  EXPECT_EQ(ports[1].driver, "ftdi_sio");
  EXPECT_EQ(ports[1].portNumber, 0);
  EXPECT_EQ(ports[1].vendorId, "0403");
  EXPECT_EQ(ports[1].productId, "6001");
  EXPECT_EQ(ports[1].serialNumber, "A50285BI");
  EXPECT_EQ(ports[1].description, "Maker USB Serial Cable");
  EXPECT_EQ(DescribePorts(ports), "serial ports found: /dev/ttyS0 (port 1), /dev/ttyUSB0");
}

TEST(PortList, MissingTreeGivesNoPorts) {
  EXPECT_TRUE(ListSerialPorts("/nonexistent-q7310").empty());
  EXPECT_EQ(DescribePorts({}), "no serial ports found");
}

}  // namespace
}  // namespace q7310
