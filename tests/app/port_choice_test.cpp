// Which port a run opens: what the operator typed, else the one USB adapter present, else port 1;
// and the cost of an adapter's latency timer. Against made-up port lists and a made-up sysfs
// tree read by the real port list.
#include "app/port_choice.h"

#include <gtest/gtest.h>

#include "app/adapter_latency.h"
#include "app/texts.h"
#include "serial/serial_port.h"
#include "support/fake_sysfs.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

TEST(PortChoice, PortNamesTakeNumbersComNamesAndDevices) {
  EXPECT_EQ(ParsePortName("1"), (PortName{1, {}}));
  EXPECT_EQ(ParsePortName("9999"), (PortName{9999, {}}));
  EXPECT_EQ(ParsePortName("com3"), (PortName{3, {}}));
  EXPECT_EQ(ParsePortName("COM12"), (PortName{12, {}}));
  EXPECT_EQ(ParsePortName("/dev/ttyUSB0"), (PortName{0, "/dev/ttyUSB0"}));
  EXPECT_EQ(ParsePortName("./link"), (PortName{0, "./link"}));
  EXPECT_EQ(ParsePortName("ttyUSB1"), (PortName{0, "/dev/ttyUSB1"}));
  for (const char* wrong : {"", "0", "10000", "x", "abc", "-1", "COM", "COM0", "tty", "3a"}) {
    EXPECT_FALSE(ParsePortName(wrong)) << wrong;
  }
}

// Three ports: a UART, and (when asked) USB adapters.
std::vector<SerialPortInfo> Present(int adapters) {
  std::vector<SerialPortInfo> ports;
  SerialPortInfo uart;
  uart.device = "/dev/ttyS0";
  uart.portNumber = 1;
  ports.push_back(uart);
  for (int i = 0; i < adapters; ++i) {
    SerialPortInfo usb;
    usb.device = "/dev/ttyUSB" + std::to_string(i);
    usb.vendorId = "0403";
    usb.productId = "6001";
    usb.description = "FTDI FT232R USB UART";
    ports.push_back(usb);
  }
  return ports;
}

TEST(PortChoice, NothingNamedTakesTheOnlyAdapterElsePortOne) {
  {
    SCOPED_TRACE("no adapter: port 1");
    const PortChoice choice = ChoosePortToOpen(std::nullopt, Present(0));
    EXPECT_FALSE(choice.ambiguous);
    EXPECT_EQ(choice.source, PortSource::kDefault);
    EXPECT_EQ(choice.port, (PortName{kDefaultPortNo, {}}));
    ASSERT_TRUE(choice.info);
    EXPECT_EQ(choice.info->device, "/dev/ttyS0");
    EXPECT_EQ(DescribeChoice(choice), "/dev/ttyS0 (port 1)");
  }
  {
    SCOPED_TRACE("one adapter: that one");
    const PortChoice choice = ChoosePortToOpen(std::nullopt, Present(1));
    EXPECT_FALSE(choice.ambiguous);
    EXPECT_EQ(choice.source, PortSource::kOnlyAdapter);
    EXPECT_EQ(choice.port, (PortName{0, "/dev/ttyUSB0"}));
    EXPECT_EQ(DescribeChoice(choice), "/dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)");
  }
  {
    SCOPED_TRACE("several adapters: the operator names one");
    const PortChoice choice = ChoosePortToOpen(std::nullopt, Present(3));
    EXPECT_TRUE(choice.ambiguous);
    ASSERT_EQ(choice.adapters.size(), 3u);
    EXPECT_EQ(choice.adapters[2].device, "/dev/ttyUSB2");
  }
}

TEST(PortChoice, ANamedPortWinsOverAdaptersAndIsDescribedWhenListed) {
  const PortChoice byNumber = ChoosePortToOpen(PortName{1, {}}, Present(3));
  EXPECT_FALSE(byNumber.ambiguous);
  EXPECT_EQ(byNumber.source, PortSource::kNamed);
  EXPECT_EQ(byNumber.port, (PortName{1, {}}));
  EXPECT_EQ(PortDevice(byNumber.port), CSerialPort::DeviceForPortNumber(1));

  const PortChoice byDevice = ChoosePortToOpen(PortName{0, "/dev/ttyUSB2"}, Present(3));
  EXPECT_FALSE(byDevice.ambiguous);
  EXPECT_EQ(DescribeChoice(byDevice), "/dev/ttyUSB2 (FTDI FT232R USB UART, 0403:6001)");

  // Not in the list (a pseudo-terminal): named, and nothing said of it.
  const PortChoice unlisted = ChoosePortToOpen(PortName{0, "/dev/pts/7"}, Present(2));
  EXPECT_FALSE(unlisted.info);
  EXPECT_EQ(DescribeChoice(unlisted), "/dev/pts/7");
  EXPECT_EQ(DescribeChoice(ChoosePortToOpen(PortName{7, {}}, {})),
            PortDevice(PortName{7, {}}) + " (port 7)");
}

TEST(PortChoice, ReadsTheAdaptersFromTheSystemsTree) {
  testing::TempFolder scratch{"q7310-sysfs"};
  testing::FakeSysfs sysfs(scratch.Path());
  sysfs.AddUart("ttyS0", "4");
  sysfs.AddUart("ttyS1", "0");
  const auto choose = [&] {
    return ChoosePortToOpen(std::nullopt, ListSerialPorts(sysfs.Root().string(), "/dev"));
  };
  EXPECT_EQ(choose().source, PortSource::kDefault);
  sysfs.AddUsbAdapter("ttyUSB0", "1-1", {});
  EXPECT_EQ(DescribeChoice(choose()), "/dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)");
  sysfs.AddUsbAdapter("ttyACM0", "1-2",
                      {.vendorId = "2341",
                       .productId = "0043",
                       .serialNumber = "",
                       .maker = "",
                       .product = "Uno",
                       .driver = "cdc_acm"});
  const PortChoice two = choose();
  EXPECT_TRUE(two.ambiguous);
  ASSERT_EQ(two.adapters.size(), 2u);
  EXPECT_EQ(DescribeListedPort(two.adapters[0]), "Uno, 2341:0043");
}

TEST(AdapterLatency, AboveFourMillisecondsTheUpdateIsToldWhatItCosts) {
  // A 64 KiB image: 512 blocks and the start, each waiting one period for its short reply.
  EXPECT_EQ(UpdateRequests(kTypicalImageSize), 513u);
  EXPECT_EQ(UpdateRequests(300), 4u);
  EXPECT_EQ(LatencyCostMs(16, kTypicalImageSize), 8208u);
  EXPECT_EQ(LatencyCostMs(kLatencyUnknown, kTypicalImageSize), 0u);

  SerialPortInfo port;
  port.device = "COM7";
  port.latencyMs = 16;
  const std::string warning = LatencyUpdateWarning(port, kTypicalImageSize);
  EXPECT_NE(warning.find("COM7"), std::string::npos) << warning;
  EXPECT_NE(warning.find("16 ms"), std::string::npos) << warning;
  EXPECT_NE(warning.find("513 requests"), std::string::npos) << warning;
  EXPECT_NE(warning.find("about 8.2 s longer"), std::string::npos) << warning;
  EXPECT_NE(warning.find(texts::kLatencyHowToLower), std::string::npos) << warning;
  EXPECT_NE(LatencyPortNote(port).find("COM7: latency timer 16 ms"), std::string::npos);

  for (const int low : {1, 2, 4, kLatencyUnknown}) {
    port.latencyMs = low;
    EXPECT_FALSE(LatencyWorthLowering(port)) << low;
    EXPECT_TRUE(LatencyUpdateWarning(port, kTypicalImageSize).empty()) << low;
    EXPECT_TRUE(LatencyPortNote(port).empty()) << low;
  }
  port.latencyMs = 5;
  EXPECT_TRUE(LatencyWorthLowering(port));
}

}  // namespace
}  // namespace q7310
