// Mistakes on the command line are named: the unknown option itself with the closest known one,
// a word that is no operation, no operation at all; -V is the version; an operation's help lists
// the global options. Against the program's real option table.
#include "cli/usage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "cli/commands.h"

namespace q7310::cli {
namespace {

class Usage : public ::testing::Test {
 protected:
  void SetUp() override {
    app.set_version_flag("-V,--version", "q7310 test");
    AddOperationCommands(app, options);
    AddImageCommand(app, options.report, result);
    AddInspectCommand(app, options.report, result);
    AddPortsCommand(app, options.report, result);
  }
  std::string Mistake(std::vector<std::string> words) {
    words.insert(words.begin(), "q7310");
    return DescribeMistake(app, words).value_or("(none)");
  }

  CLI::App app;
  OperationOptions options;
  RunResult result;
};

TEST_F(Usage, AnUnknownOptionIsNamedWithTheClosestOne) {
  EXPECT_EQ(Mistake({"--baud", "115200", "backup"}),
            "unknown option '--baud'; " + std::string(texts::kUsageFixedSpeed));
  EXPECT_EQ(Mistake({"--prot", "3", "backup"}), "unknown option '--prot'; did you mean --port?");
  EXPECT_EQ(Mistake({"backup", "--jsno"}), "unknown option '--jsno'; did you mean --json?");
  EXPECT_EQ(Mistake({"--dev", "/dev/ttyUSB0", "backup"}),
            "unknown option '--dev'; did you mean --device?");
  EXPECT_EQ(Mistake({"--Port=3", "backup"}), "unknown option '--Port'; did you mean --port?");
  EXPECT_EQ(Mistake({"--serial", "x", "backup"}),
            "unknown option '--serial'; did you mean --port?");
  EXPECT_EQ(Mistake({"--frobnicate", "backup"}), "unknown option '--frobnicate'");
  EXPECT_EQ(Mistake({"-x", "backup"}), "unknown option '-x'");
  EXPECT_EQ(Mistake({"-qx", "backup"}), "unknown option '-x'");
}

TEST_F(Usage, WordsAndOptionValuesAreToldApart) {
  EXPECT_EQ(Mistake({"-p", "/dev/ttyUSB0", "frobnicate"}),
            "unknown operation 'frobnicate' (expected backup, update, restore, verify, image, "
            "inspect, ports)");
  EXPECT_EQ(Mistake({"-v"}),
            "no operation given (expected backup, update, restore, verify, image, inspect, ports)");
  // Fine as far as words go: the parser's own message stands.
  EXPECT_EQ(Mistake({"-qv", "--port", "3", "--reply-timeout=100", "backup", "restore", "--from",
                     "x.bin", "verify"}),
            "(none)");
  EXPECT_EQ(Mistake({"image", "Q7310_v201.mot", "--stage", "out.bin", "--json"}), "(none)");
  EXPECT_EQ(Mistake({"--", "backup"}), "(none)");
}

TEST_F(Usage, ShortFlagsAndTheVersionParse) {
  std::vector<std::string> words = {"q7310", "-q", "-v", "-p", "COM3", "backup"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  app.parse(static_cast<int>(argv.size()), argv.data());
  EXPECT_TRUE(options.report.quiet);
  EXPECT_TRUE(options.report.verbose);
  EXPECT_EQ(options.port, "COM3");

  CLI::App fresh;
  fresh.set_version_flag("-V,--version", "q7310 test");
  std::vector<std::string> version = {"q7310", "-V"};
  std::vector<char*> versionArgv;
  for (std::string& word : version) versionArgv.push_back(word.data());
  EXPECT_THROW(fresh.parse(2, versionArgv.data()), CLI::CallForVersion);
}

TEST_F(Usage, APortIsANumberAComNameOrADevice) {
  const CLI::Validator check = PortForms();
  for (std::string good : {"1", "COM3", "com12", "/dev/ttyUSB0", "ttyACM0"}) {
    EXPECT_EQ(check(good), "") << good;
  }
  std::string wrong = "abc";
  EXPECT_EQ(check(wrong), "'abc': " + std::string(texts::kUsagePortForms));
}

TEST_F(Usage, AnOperationsHelpListsTheGlobalOptions) {
  for (const char* operation : {"backup", "update", "restore", "verify"}) {
    SCOPED_TRACE(operation);
    const std::string help = app.get_subcommand(operation)->help();
    EXPECT_NE(help.find(std::string(texts::kHelpGlobalOptions) + ":"), std::string::npos) << help;
    for (const char* option : {"--port", "--device", "--dir", "--json", "--quiet", "--verbose",
                               "--yes", "--trace", "--reply-timeout", "--version"}) {
      EXPECT_NE(help.find(option), std::string::npos) << option;
    }
  }
  // The stand-alone commands take --json after their name too.
  for (const char* command : {"image", "inspect", "ports"}) {
    EXPECT_NE(app.get_subcommand(command)->get_option_no_throw("--json"), nullptr) << command;
  }
}

}  // namespace
}  // namespace q7310::cli
