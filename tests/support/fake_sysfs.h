// A made-up sysfs tree, laid out as Linux's /sys for serial ports: class/tty/<name> with a device
// link and a type attribute, the device's driver link, and for USB adapters the USB device above
// with its ids, serial number, maker and product. Port discovery reads it in place of /sys
// (ListSerialPorts' root, or q7310's Q7310_SYSFS). POSIX only.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace q7310::testing {

class FakeSysfs {
 public:
  explicit FakeSysfs(std::filesystem::path root) : m_root(std::move(root)) {
    std::filesystem::create_directories(m_root / "class/tty");
  }

  const std::filesystem::path& Root() const { return m_root; }

  // A built-in UART ttyS<n>; type "0" is a slot with no chip behind it.
  void AddUart(const std::string& name, const std::string& type) {
    AddDevice(name, "devices/platform/serial8250/tty/" + name, "serial8250", type);
  }

  // A USB serial adapter (ttyUSB<n>, ttyACM<n>) on USB port `usbPort` ("1-1").
  struct Usb {
    std::string vendorId = "0403";
    std::string productId = "6001";
    std::string serialNumber = "A50285BI";
    std::string maker = "FTDI";
    std::string product = "FT232R USB UART";
    std::string driver = "ftdi_sio";
  };
  void AddUsbAdapter(const std::string& name, const std::string& usbPort, const Usb& usb) {
    const std::filesystem::path device = m_root / "devices/pci0000:00/usb1" / usbPort;
    std::filesystem::create_directories(device);
    Write(device / "idVendor", usb.vendorId);
    Write(device / "idProduct", usb.productId);
    if (!usb.serialNumber.empty()) Write(device / "serial", usb.serialNumber);
    if (!usb.maker.empty()) Write(device / "manufacturer", usb.maker);
    if (!usb.product.empty()) Write(device / "product", usb.product);
    AddDevice(name, "devices/pci0000:00/usb1/" + usbPort + "/" + usbPort + ":1.0/" + name,
              usb.driver, "");
  }

  // A terminal with no device behind it (a virtual console).
  void AddVirtualTerminal(const std::string& name) {
    std::filesystem::create_directories(m_root / "class/tty" / name);
  }

  static void Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }

 private:
  void AddDevice(const std::string& name, const std::string& devicePath, const std::string& driver,
                 const std::string& type) {
    const std::filesystem::path dev = m_root / devicePath;
    std::filesystem::create_directories(dev);
    std::filesystem::create_directories(m_root / "bus/drivers" / driver);
    std::filesystem::create_symlink(m_root / "bus/drivers" / driver, dev / "driver");
    const std::filesystem::path cls = m_root / "class/tty" / name;
    std::filesystem::create_directories(cls);
    std::filesystem::create_directory_symlink(dev, cls / "device");
    if (!type.empty()) Write(cls / "type", type);
  }

  std::filesystem::path m_root;
};

}  // namespace q7310::testing
