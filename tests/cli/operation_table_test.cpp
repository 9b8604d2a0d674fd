// The operation table drives the command line: a subcommand and a help line per row, the --from
// options where a row has one, and the parsed operations in the order given.
#include "cli/operation_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "cli/commands.h"
#include "cli/usage.h"

namespace q7310::cli {
namespace {

// A file that exists, for the --from options' check.
const std::string kExistingFile = Q7310_SOURCE_DIR "/CMakeLists.txt";

class OperationCommandLine : public ::testing::Test {
 protected:
  void SetUp() override { AddOperationCommands(app, options); }

  // Parses `words` (without the program's name); false on a usage error.
  bool Parse(std::vector<std::string> words) {
    std::vector<char*> argv{program.data()};
    for (std::string& word : words) argv.push_back(word.data());
    try {
      app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError&) {
      return false;
    }
    return true;
  }

  std::vector<std::string_view> ParsedNames() const {
    std::vector<std::string_view> names;
    for (const OperationRow* row : ParsedOperations(app)) names.push_back(row->name);
    return names;
  }

  std::string program = "q7310";
  CLI::App app;
  OperationOptions options;
};

TEST_F(OperationCommandLine, HelpShowsEveryRow) {
  const std::string help = app.help();
  for (const OperationRow& row : OperationTable()) {
    EXPECT_NE(help.find(std::string(row.name)), std::string::npos) << row.name;
    // The first words of its help; the formatter may wrap the rest.
    const std::string start(row.help.substr(0, 30));
    EXPECT_NE(help.find(start), std::string::npos) << row.name << ": " << help;
    const CLI::App* sub = app.get_subcommand(std::string(row.name));
    EXPECT_EQ(sub->get_description(), row.help);
    EXPECT_EQ(sub->get_option_no_throw("--from") != nullptr, !row.fromHelp.empty()) << row.name;
  }
  EXPECT_EQ(OperationNames(), "backup | update | restore | verify");
  EXPECT_EQ(UnknownOperationText(app, "bakup"),
            "unknown operation 'bakup' (expected backup, update, restore, verify)");
}

TEST_F(OperationCommandLine, ParsesTheOperationsInTheOrderGiven) {
  ASSERT_TRUE(Parse({"--dir", "/srv/q7310", "--reply-timeout", "250", "restore", "--from",
                     kExistingFile, "verify", "backup"}));
  EXPECT_EQ(ParsedNames(), (std::vector<std::string_view>{"restore", "verify", "backup"}));
  EXPECT_EQ(options.restoreFrom, kExistingFile);
  EXPECT_TRUE(options.verifyFrom.empty());
  EXPECT_EQ(options.session.dir, "/srv/q7310");
  EXPECT_EQ(options.session.replyTimeoutMs, 250u);
}

TEST_F(OperationCommandLine, EachFromOptionFillsItsOwnRowsFile) {
  ASSERT_TRUE(Parse({"--device", "/dev/pts/7", "verify", "--from", kExistingFile}));
  EXPECT_EQ(options.verifyFrom, kExistingFile);
  EXPECT_TRUE(options.restoreFrom.empty());
  EXPECT_EQ(options.session.device, "/dev/pts/7");
}

TEST_F(OperationCommandLine, InstructionsEndWithWhatToDoInTheTerminal) {
  // The desktop's lines for the stage, the display to wait for instead of its button, then Enter.
  const std::vector<std::string> update = TerminalInstructions(*FindOperation("update"));
  ASSERT_EQ(update.size(), 4u);
  EXPECT_EQ(update[0], texts::kGuideStage2[0]);
  EXPECT_EQ(update[1], texts::kGuideStage2[1]);
  EXPECT_EQ(update[2], texts::kCliReadyForUpdate);
  EXPECT_EQ(update[3], texts::kCliPressEnter);
  const std::vector<std::string> restore = TerminalInstructions(*FindOperation("restore"));
  ASSERT_EQ(restore.size(), 5u);
  EXPECT_EQ(restore[2], texts::kGuideStage3[2]);
  EXPECT_EQ(restore[3], texts::kCliReadyForBackup);
  EXPECT_EQ(TerminalInstructions(*FindOperation("verify")),
            (std::vector<std::string>{std::string(texts::kGuideVerify),
                                      std::string(texts::kCliPressEnter)}));
  for (const OperationRow& row : OperationTable()) {
    for (const std::string& line : TerminalInstructions(row)) {
      EXPECT_EQ(line.find("button"), std::string::npos) << row.name << ": " << line;
    }
    // Backup and verify count slots; of the two, only a verify knows its bytes beforehand.
    EXPECT_EQ(row.shareCountsBytes, row.name == "update" || row.name == "restore") << row.name;
    EXPECT_EQ(row.expect != nullptr, row.name == "verify") << row.name;
  }
}

TEST_F(OperationCommandLine, RefusesWhatNoRowOffers) {
  EXPECT_FALSE(Parse({"backup", "--from", kExistingFile}));
  EXPECT_EQ(FindOperation("image"), nullptr);
  EXPECT_EQ(FindOperation("backup"), &OperationTable()[0]);
}

}  // namespace
}  // namespace q7310::cli
