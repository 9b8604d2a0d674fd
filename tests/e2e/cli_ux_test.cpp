// The command-line tool as a technician meets it, run for real against the simulated amplifier:
// the port it picks (a made-up sysfs tree with none, one or several USB adapters, the device of
// one a link to the simulator), what --quiet and --verbose leave, JSON lines for every command and
// outcome, mistakes in options named, and a terminal without cursor moves or colours.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "e2e_fixture.h"
#include "support/fake_sysfs.h"
#include "support/terminal_run.h"
#include "util/folder_lock.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::EndToEnd;
using testing::FakeSysfs;
using testing::Process;
using Json = nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every line parsed; a line that is not a JSON object fails the test.
std::vector<Json> JsonLines(const std::string& text) {
  std::vector<Json> objects;
  for (const std::string& line : Lines(text)) {
    Json object = Json::parse(line, nullptr, false);
    EXPECT_TRUE(object.is_object()) << "not a JSON object: " << line;
    if (object.is_object()) objects.push_back(std::move(object));
  }
  return objects;
}

// The whole of a --json run's output: every line an object, the first the header with the
// format, the last a result.
std::vector<Json> CheckedJson(const Process& tool) {
  EXPECT_TRUE(tool.Stderr().empty()) << tool.Stderr();
  const std::vector<Json> lines = JsonLines(tool.Stdout());
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) return lines;
  EXPECT_EQ(lines.front().value("type", ""), "start") << tool.Stdout();
  EXPECT_EQ(lines.front().value("format", 0), 1);
  EXPECT_EQ(lines.back().value("type", ""), "result") << tool.Stdout();
  return lines;
}

const Json* FindType(const std::vector<Json>& lines, std::string_view type) {
  for (const Json& line : lines) {
    if (line.value("type", "") == type) return &line;
  }
  return nullptr;
}

class CommandLine : public EndToEnd {
 protected:
  // Runs q7310 with `args` in an environment without Q7310_PORT, port discovery reading the
  // made-up trees, and `env` added ("NAME=value").
  int Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    std::vector<std::string> command = {"/usr/bin/env", "-u", std::string(texts::kPortVariable),
                                        "Q7310_SYSFS=" + sysfs.Root().string(),
                                        "Q7310_DEVFS=" + devfs.string()};
    command.insert(command.end(), env.begin(), env.end());
    command.push_back(Q7310_CLI_PATH);
    command.insert(command.end(), args.begin(), args.end());
    tool = std::make_unique<Process>(command);
    return testing::WaitForTool(*tool);
  }
  std::vector<std::string> InFolder(std::vector<std::string> words) {
    std::vector<std::string> args = {"--dir",        (dir / "app").string(), "--yes",
                                     "--keep-files", "--reply-timeout",      "300"};
    args.insert(args.end(), words.begin(), words.end());
    return args;
  }
  // A USB adapter in the made-up trees whose device is a link to `target`.
  void AddAdapter(const std::string& name, const std::string& usbPort, const std::string& target,
                  FakeSysfs::Usb usb = {}) {
    sysfs.AddUsbAdapter(name, usbPort, usb);
    fs::create_symlink(target, devfs / name);
  }

  FakeSysfs sysfs{dir / "sys"};
  fs::path devfs = [this] {
    fs::create_directories(dir / "dev");
    return dir / "dev";
  }();
};

TEST_F(CommandLine, TheOnlyAdapterPresentIsUsedAndNamed) {
  sysfs.AddUart("ttyS0", "4");
  sysfs.AddVirtualTerminal("tty1");
  AddAdapter("ttyUSB0", "1-1", StartSim());
  ASSERT_EQ(Run(InFolder({"backup"})), 0) << tool->Stdout() << tool->Stderr();
  StopSim();
  const std::vector<std::string> lines = Lines(tool->Stdout());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(texts::kWorkingFolder) + (dir / "app").string());
  EXPECT_EQ(lines[1],
            "Port: " + (devfs / "ttyUSB0").string() + " (FTDI FT232R USB UART, 0403:6001)");
  EXPECT_EQ(testing::ReadFile(dir / "app" / "BACKUP.BIN"), ExpectedBackup());

  // The same in JSON: the port, how it was chosen and what the system lists of it.
  fs::remove(devfs / "ttyUSB0");
  fs::create_symlink(StartSim(), devfs / "ttyUSB0");
  ASSERT_EQ(Run(InFolder({"--json", "backup"})), 0) << tool->Stdout();
  StopSim();
  const std::vector<Json> json = CheckedJson(*tool);
  const Json* port = FindType(json, "port");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->value("source", ""), "only-adapter");
  EXPECT_EQ(port->value("device", ""), (devfs / "ttyUSB0").string());
  const Json listed = port->value("listed", Json::object());
  EXPECT_EQ(listed.value("usb", ""), "0403:6001");
  EXPECT_EQ(listed.value("serial", ""), "A50285BI");
}

TEST_F(CommandLine, SeveralAdaptersAreListedAndNoneIsOpened) {
  const std::string device = StartSim();
  AddAdapter("ttyUSB0", "1-1", device);
  AddAdapter("ttyACM0", "1-2", device,
             {.vendorId = "2341",
              .productId = "0043",
              .serialNumber = "",
              .maker = "Maker",
              .product = "Board",
              .driver = "cdc_acm"});
  EXPECT_EQ(Run(InFolder({"backup"})), 2);
  const std::vector<std::string> lines = Lines(tool->Stderr());
  ASSERT_EQ(lines.size(), 3u) << tool->Stderr();
  EXPECT_EQ(lines[0], "error: " + std::string(texts::kCliSeveralAdapters));
  EXPECT_EQ(lines[1], "  --port " + (devfs / "ttyACM0").string() + "   Maker Board, 2341:0043");
  EXPECT_EQ(lines[2], "  --port " + (devfs / "ttyUSB0").string() +
                          "   FTDI FT232R USB UART, 0403:6001, serial A50285BI");
  EXPECT_TRUE(tool->Stdout().empty()) << tool->Stdout();

  EXPECT_EQ(Run(InFolder({"--json", "backup"})), 2);
  const std::vector<Json> json = CheckedJson(*tool);
  size_t adapters = 0;
  for (const Json& line : json) adapters += line.value("type", "") == "adapter";
  EXPECT_EQ(adapters, 2u);
  EXPECT_EQ(json.back(), (Json{{"type", "result"}, {"name", "run"}, {"ok", false}}));

  // Named, one of them is used.
  EXPECT_EQ(Run(InFolder({"-p", (devfs / "ttyACM0").string(), "backup"})), 0) << tool->Stderr();
  EXPECT_EQ(Lines(tool->Stdout())[1],
            "Port: " + (devfs / "ttyACM0").string() + " (Maker Board, 2341:0043)");
  StopSim();
  EXPECT_NE(sim->Stderr().find("(read-slot 9,"), std::string::npos) << sim->Stderr();
}

TEST_F(CommandLine, ThePortVariableNamesThePortWhenNoOptionDoes) {
  const std::string device = StartSim();
  AddAdapter("ttyUSB0", "1-1", "/nonexistent-q7310");
  AddAdapter("ttyUSB1", "1-2", "/nonexistent-q7310");
  // The variable wins over the adapters; an option wins over the variable.
  ASSERT_EQ(Run(InFolder({"backup"}), {"Q7310_PORT=" + device}), 0) << tool->Stderr();
  EXPECT_EQ(Lines(tool->Stdout())[1], "Port: " + device);
  ASSERT_EQ(Run(InFolder({"--port", device, "backup"}), {"Q7310_PORT=/nonexistent-q7310"}), 0)
      << tool->Stderr();
  StopSim();
  // A variable that names no port is a usage error that names the variable.
  EXPECT_EQ(Run(InFolder({"backup"}), {"Q7310_PORT=x"}), 2);
  EXPECT_EQ(tool->Stderr(), "error: Q7310_PORT='x': " + std::string(texts::kUsagePortForms) + "\n");
  EXPECT_EQ(Run(InFolder({"--json", "backup"}), {"Q7310_PORT=x"}), 2);
  EXPECT_EQ(CheckedJson(*tool).back().value("name", ""), "usage");
}

TEST_F(CommandLine, QuietLeavesResultsAndVerboseAddsTheTracesLines) {
  const std::string device = StartSim();
  const fs::path trace = dir / "trace.txt";
  ASSERT_EQ(Run(InFolder({"-q", "--device", device, "backup"})), 0) << tool->Stderr();
  const std::vector<std::string> quiet = Lines(tool->Stdout());
  ASSERT_EQ(quiet.size(), 2u) << tool->Stdout();
  EXPECT_EQ(quiet[0].rfind("backup: 9 slots, 135,204 bytes in ", 0), 0u) << quiet[0];
  EXPECT_EQ(quiet[1].rfind(texts::kCliBackupKept, 0), 0u) << quiet[1];

  ASSERT_EQ(Run(InFolder({"-v", "--trace", trace.string(), "--device", device, "backup"})), 0);
  StopSim();
  // Every line of the trace (after the line that marks the run) is a line of the output, but
  // for its timestamp, taken a few microseconds apart.
  const std::vector<std::string> traced = Lines(testing::ReadText(trace));
  ASSERT_GT(traced.size(), 10u);
  const std::string& out = tool->Stdout();
  constexpr size_t kStamp = sizeof "2026-12-07T10:48:17.412305";
  size_t frames = 0;
  for (size_t i = 1; i < traced.size(); ++i) {
    EXPECT_NE(out.find(" " + traced[i].substr(kStamp) + "\n"), std::string::npos) << traced[i];
    frames += traced[i].find(" TX ") != std::string::npos;
  }
  EXPECT_EQ(frames, 9u);
  // And the rest of the run as without -v.
  EXPECT_NE(out.find("backup: 9 slots, "), std::string::npos);
}

TEST_F(CommandLine, EveryCommandAndOutcomeIsJson) {
  sysfs.AddUart("ttyS0", "4");
  AddAdapter("ttyUSB0", "1-1", "/nonexistent-q7310");
  const std::string mot = (dir / "app" / "Q7310_v201.mot").string();
  std::ofstream(dir / "bad.mot") << "S00600004844521B\nS5030001FB\nS9030000FC\n";
  const std::string device = StartSim();
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string_view lastName;
    std::string_view needs;  // a type the output must hold
  };
  const std::vector<Case> cases = {
      {"ports", {"ports", "--json"}, 0, "ports", "port"},
      {"ports, --json first",
       {"--json", "ports", "--sysfs", sysfs.Root().string()},
       0,
       "ports",
       "port"},
      {"image", {"image", mot, "--json"}, 0, "image", "image"},
      {"image refused", {"--json", "image", (dir / "bad.mot").string()}, 1, "image", "error"},
      {"unknown option", {"--json", "--baud", "115200", "backup"}, 2, "usage", "error"},
      {"no operation", {"--json"}, 2, "usage", "error"},
      {"bad port", {"--json", "--port", "x", "backup"}, 2, "usage", "error"},
      {"mixed", {"--json", "ports", "backup"}, 2, "usage", "error"},
      {"port that cannot open", InFolder({"--json", "--device", "/nonexistent-q7310", "backup"}), 1,
       "run", "message"},
      {"trace on an own file", InFolder({"--json", "--device", device, "--trace", mot, "backup"}),
       1, "run", "error"},
      {"backup", InFolder({"--json", "--device", device, "backup"}), 0, "backup", "summary"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run(c.args), c.status);
    const std::vector<Json> lines = CheckedJson(*tool);
    if (lines.empty()) continue;
    EXPECT_EQ(lines.back().value("name", ""), c.lastName);
    EXPECT_EQ(lines.back().value("ok", c.status != 0), c.status == 0);
    EXPECT_NE(FindType(lines, c.needs), nullptr) << tool->Stdout();
  }
  ASSERT_EQ(Run(InFolder({"--json", "--device", device, "backup"})), 0);
  tool = std::make_unique<Process>(std::vector<std::string>{
      Q7310_CLI_PATH, "inspect", (dir / "app" / "BACKUP.BIN").string(), "--json"});
  EXPECT_EQ(tool->Wait(), 0);
  const std::vector<Json> inspect = CheckedJson(*tool);
  size_t records = 0;
  for (const Json& line : inspect) records += line.value("type", "") == "record";
  EXPECT_EQ(records, 9u);
  const Json* file = FindType(inspect, "backup-file");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->value("bytes", 0), 135204);

  // A folder held by another program: refused, in JSON too.
  FolderLock lock;
  ASSERT_EQ(lock.Take((dir / "app").string()), FolderLock::Result::kTaken);
  EXPECT_EQ(Run(InFolder({"--json", "--device", device, "backup"})), 1);
  const std::vector<Json> refused = CheckedJson(*tool);
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused.back(), (Json{{"type", "result"}, {"name", "run"}, {"ok", false}}));
  const Json* error = FindType(refused, "error");
  ASSERT_NE(error, nullptr);
  EXPECT_NE(error->value("text", "").find("is working in the folder"), std::string::npos);
  StopSim();
}

TEST_F(CommandLine, MistakesInOptionsAreNamed) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"--baud", "115200", "backup"},
       "error: unknown option '--baud'; " + std::string(texts::kUsageFixedSpeed)},
      {{"--prot", "3", "backup"}, "error: unknown option '--prot'; did you mean --port?"},
      {{"backup", "--verbsoe"}, "error: unknown option '--verbsoe'; did you mean --verbose?"},
      {{"-v"},
       "error: no operation given (expected backup, update, restore, verify, image, inspect, "
       "ports)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    EXPECT_EQ(Run(c.args), 2);
    EXPECT_EQ(tool->Stderr(), c.error + "\n" + std::string(texts::kUsageSeeHelp) + "\n");
  }
  EXPECT_EQ(Run({"-V"}), 0);
  EXPECT_EQ(tool->Stdout().rfind("q7310 " Q7310_EXPECTED_VERSION, 0), 0u) << tool->Stdout();
  EXPECT_EQ(Run({"restore", "--help"}), 0);
  EXPECT_NE(tool->Stdout().find("--from"), std::string::npos);
  EXPECT_NE(tool->Stdout().find(std::string(texts::kHelpGlobalOptions) + ":\n"), std::string::npos);
  EXPECT_NE(tool->Stdout().find("-p,--port"), std::string::npos) << tool->Stdout();
}

// Runs q7310 with standard output and error on one terminal, TERM and NO_COLOR as given.
std::string RunOnTerminal(const std::vector<std::string>& args, const char* term,
                          const char* noColor) {
  return testing::RunOnTerminal(
      args,
      {.columns = 80,
       .errorsToo = true,
       .environment = {
           {"TERM", term}, {"NO_COLOR", noColor}, {std::string(texts::kPortVariable), nullptr}}});
}

TEST_F(CommandLine, DumbTerminalsAndNoColorAreHonoured) {
  const std::string device = StartSim();
  // A backup that works, then an update without its firmware file: an ERROR line.
  const std::vector<std::string> args = {
      Q7310_CLI_PATH, "--device",     device,   "--dir", (dir / "app").string(),
      "--yes",        "--keep-files", "backup", "update"};
  fs::remove(dir / "app" / "Q7310_v201.mot");
  const std::string color = RunOnTerminal(args, "xterm", nullptr);
  EXPECT_NE(color.find("\x1b[1;31mERROR\x1b[0m: "), std::string::npos) << color;
  EXPECT_NE(color.find("\rbackup: 9 slots, "), std::string::npos) << color;

  const std::string plain = RunOnTerminal(args, "xterm", "1");
  EXPECT_EQ(plain.find("\x1b[1;"), std::string::npos) << plain;
  EXPECT_NE(plain.find("\rbackup: 9 slots, "), std::string::npos) << plain;  // still a bar

  const std::string dumb = RunOnTerminal(args, "dumb", nullptr);
  EXPECT_EQ(dumb.find('\x1b'), std::string::npos) << dumb;
  // Lines as into a pipe: the terminal's line ends only.
  EXPECT_EQ(dumb.find("\r\r"), std::string::npos) << dumb;
  for (size_t at = dumb.find('\r'); at != std::string::npos; at = dumb.find('\r', at + 1)) {
    EXPECT_EQ(dumb[at + 1], '\n') << dumb;
  }
  EXPECT_NE(dumb.find("backup   0 % Communicating ...  ("), std::string::npos) << dumb;
  StopSim();
}

}  // namespace
}  // namespace q7310
