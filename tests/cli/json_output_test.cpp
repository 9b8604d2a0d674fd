// JSON lines for programs: every line parses, the first says the format, refusals end with a
// result, and each object carries the fields the README's table lists.
#include "cli/json_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"

namespace q7310::cli {
namespace {

std::vector<nlohmann::json> ParseLines(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(nlohmann::json::parse(line));  // throws, failing the test, on a bad line
  }
  return lines;
}

TEST(JsonOutput, EveryLineIsAnObjectAndTheFirstSaysTheFormat) {
  std::FILE* file = std::tmpfile();
  {
    JsonOutput out(file);
    out.WorkingFolder("/w/f\xC3\xBCr");
    PortChoice port;
    port.port = PortName{0, "/dev/ttyUSB0"};
    port.source = PortSource::kOnlyAdapter;
    SerialPortInfo listed;
    listed.device = "/dev/ttyUSB0";
    listed.vendorId = "0403";
    listed.productId = "6001";
    listed.serialNumber = "A50285BI";
    listed.latencyMs = 16;
    port.info = listed;
    out.PortChosen(port);
    out.OperationStarted("backup");
    out.Progress("Reading ... slot no. 1", 11);
    out.Frame("2026-12-07T10:48:17.412305", "TX", "CMD_READ_SLOT length=10 slot=1 | 30 00");
    out.Resend({"CMD_READ_SLOT", 1, 3, 250, "said"});
    out.OperationEnded({"backup", OperationSummary::Outcome::kDone, 9, -1, 135204, 3.2871});
    out.Result("backup", true);
    out.Warning("careful");
    out.Refusal("run", "refused", "why");
  }
  const std::vector<nlohmann::json> lines = ParseLines(file);
  std::fclose(file);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0]["type"], "start");
  EXPECT_EQ(lines[0]["format"], 1);
  EXPECT_EQ(lines[0]["program"], "q7310");
  EXPECT_EQ(lines[1]["path"], "/w/f\xC3\xBCr");
  EXPECT_EQ(lines[2]["type"], "port");
  EXPECT_EQ(lines[2]["source"], "only-adapter");
  EXPECT_EQ(lines[2]["listed"]["usb"], "0403:6001");
  EXPECT_EQ(lines[2]["listed"]["latency_ms"], 16);
  EXPECT_EQ(lines[3], (nlohmann::json{{"type", "operation"}, {"name", "backup"}}));
  EXPECT_EQ(lines[4]["percent"], 11);
  EXPECT_EQ(lines[5]["type"], "trace");
  EXPECT_EQ(lines[5]["kind"], "TX");
  EXPECT_EQ(lines[6], (nlohmann::json{{"type", "resend"},
                                      {"command", "CMD_READ_SLOT"},
                                      {"count", 1},
                                      {"limit", 3},
                                      {"timeout_ms", 250},
                                      {"text", "said"}}));
  EXPECT_EQ(lines[7]["type"], "summary");
  EXPECT_EQ(lines[7]["outcome"], "done");
  EXPECT_EQ(lines[7]["slots"], 9);
  EXPECT_TRUE(lines[7]["blocks"].is_null());
  EXPECT_EQ(lines[7]["bytes"], 135204);
  EXPECT_DOUBLE_EQ(lines[7]["seconds"].get<double>(), 3.287);
  EXPECT_EQ(lines[8], (nlohmann::json{{"type", "result"}, {"name", "backup"}, {"ok", true}}));
  EXPECT_EQ(lines[9]["type"], "warning");
  // A refusal: the error, then the result.
  EXPECT_EQ(lines[10], (nlohmann::json{{"type", "error"}, {"text", "refused"}, {"detail", "why"}}));
  EXPECT_EQ(lines[11], (nlohmann::json{{"type", "result"}, {"name", "run"}, {"ok", false}}));
}

TEST(JsonOutput, SeveralAdaptersAreListedOnePerLine) {
  std::FILE* file = std::tmpfile();
  {
    JsonOutput out(file);
    PortChoice port;
    port.ambiguous = true;
    for (const char* device : {"/dev/ttyUSB0", "/dev/ttyUSB1"}) {
      SerialPortInfo adapter;
      adapter.device = device;
      adapter.vendorId = "0403";
      adapter.productId = "6001";
      port.adapters.push_back(adapter);
    }
    out.PortChosen(port);
  }
  const std::vector<nlohmann::json> lines = ParseLines(file);
  std::fclose(file);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1]["type"], "adapter");
  EXPECT_EQ(lines[1]["device"], "/dev/ttyUSB0");
  EXPECT_EQ(lines[2]["device"], "/dev/ttyUSB1");
  EXPECT_TRUE(lines[2]["latency_ms"].is_null());
}

}  // namespace
}  // namespace q7310::cli
