// The port list for people: columns as wide as their widest cell whatever the length of a
// name, the latency column only where a timer is known, and what to type for each adapter.
#include "cli/port_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace q7310::cli {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

SerialPortInfo Port(std::string device, int number, std::string vendor = {},
                    std::string description = {}) {
  SerialPortInfo port;
  port.device = std::move(device);
  port.portNumber = number;
  port.vendorId = vendor;
  port.productId = vendor.empty() ? "" : "6001";
  port.description = std::move(description);
  return port;
}

TEST(PortTable, ColumnsStayAlignedWhateverTheLengthOfAName) {
  std::vector<SerialPortInfo> ports = {
      Port("/dev/ttyS0", 1),
      Port("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", 0, "0403",
           "FTDI FT232R USB UART"),
      Port("/dev/ttyUSB1", 0, "0403", "Ünïcode adapter"),
  };
  ports[0].driver = "serial8250";
  const std::vector<std::string> lines = Lines(PortTable(ports));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("PORT  DEVICE ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].find("LATENCY"), std::string::npos);
  // Every column starts where its heading does.
  for (const char* heading : {"DRIVER", "USB ID", "SERIAL", "DESCRIPTION"}) {
    const size_t column = lines[0].find(heading);
    ASSERT_NE(column, std::string::npos) << heading;
    for (size_t i = 1; i < lines.size(); ++i) {
      if (lines[i].size() <= column) continue;  // nothing in the last column
      EXPECT_EQ(lines[i].at(column - 1), ' ') << heading << " in: " << lines[i];
      EXPECT_NE(lines[i].at(column), ' ') << heading << " in: " << lines[i];
    }
  }
  EXPECT_NE(lines[2].find("0403:6001"), std::string::npos);
  EXPECT_EQ(lines[1].back(), '-');  // no description, and no blanks after it
}

TEST(PortTable, LatencyShowsWhereATimerIsKnown) {
  std::vector<SerialPortInfo> ports = {Port("COM1", 1), Port("COM7", 7, "0403", "FTDI USB")};
  ports[1].latencyMs = 16;
  const std::vector<std::string> lines = Lines(PortTable(ports));
  const size_t column = lines[0].find("LATENCY");
  ASSERT_NE(column, std::string::npos);
  EXPECT_EQ(lines[1].substr(column), "-");  // COM1: no timer, no description
  EXPECT_EQ(lines[2].substr(column, 5), "16 ms");
}

TEST(PortTable, AdapterChoicesSayWhatToType) {
  std::vector<SerialPortInfo> adapters = {Port("/dev/ttyUSB0", 0, "0403", "FTDI FT232R USB UART"),
                                          Port("/dev/ttyUSB10", 0, "067b", "Prolific")};
  adapters[0].serialNumber = "A50285BI";
  EXPECT_EQ(AdapterChoices(adapters),
            "--port /dev/ttyUSB0    FTDI FT232R USB UART, 0403:6001, serial A50285BI\n"
            "--port /dev/ttyUSB10   Prolific, 067b:6001\n");
}

}  // namespace
}  // namespace q7310::cli
