#include "serial/port_list.h"

#include <gtest/gtest.h>

#include "support/fake_sysfs.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

// A UART with a chip, an empty UART slot, a USB adapter, a virtual terminal.
class PortList : public ::testing::Test {
 protected:
  void SetUp() override {
    sysfs.AddUart("ttyS0", "4");
    sysfs.AddUart("ttyS1", "0");
    sysfs.AddUsbAdapter("ttyUSB0", "1-1", {.maker = "Maker", .product = "USB Serial Cable"});
    sysfs.AddVirtualTerminal("tty1");
  }
  testing::TempFolder scratch{"q7310-sysfs"};
  testing::FakeSysfs sysfs{scratch.Path()};
};

TEST_F(PortList, ListsPortsWithHardwareAndTheirPortNumbers) {
  const auto ports = ListSerialPorts(sysfs.Root().string());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].device, "/dev/ttyS0");
  EXPECT_EQ(ports[0].driver, "serial8250");
  EXPECT_EQ(ports[0].portNumber, 1);
  EXPECT_TRUE(ports[0].vendorId.empty());
  EXPECT_FALSE(ports[0].IsUsbAdapter());
  EXPECT_EQ(ports[1].device, "/dev/ttyUSB0");
  EXPECT_EQ(ports[1].driver, "ftdi_sio");
  EXPECT_EQ(ports[1].portNumber, 0);
  EXPECT_EQ(ports[1].vendorId, "0403");
  EXPECT_EQ(ports[1].productId, "6001");
  EXPECT_EQ(ports[1].serialNumber, "A50285BI");
  EXPECT_EQ(ports[1].description, "Maker USB Serial Cable");
  EXPECT_TRUE(ports[1].IsUsbAdapter());
  // Linux lowers the latency itself: no timer to report.
  EXPECT_EQ(ports[1].latencyMs, kLatencyUnknown);
  EXPECT_EQ(DescribePorts(ports), "serial ports found: /dev/ttyS0 (port 1), /dev/ttyUSB0");
}

TEST_F(PortList, DevicesAreNamedUnderTheDeviceRootGiven) {
  const auto ports = ListSerialPorts(sysfs.Root().string(), "/srv/fake-dev");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].device, "/srv/fake-dev/ttyS0");
  EXPECT_EQ(ports[1].device, "/srv/fake-dev/ttyUSB0");
  // The port number stays the rule's: port 1 is ttyS0 whatever folder lists it.
  EXPECT_EQ(ports[0].portNumber, 1);
}

TEST(PortListMissing, MissingTreeGivesNoPorts) {
  EXPECT_TRUE(ListSerialPorts("/nonexistent-q7310").empty());
  EXPECT_EQ(DescribePorts({}), "no serial ports found");
}

}  // namespace
}  // namespace q7310
