// Output for people, written to real files: what a pipe gets (a line per tenth at most, the
// closing line, results after it), what a terminal gets (one bar, replaced by the closing line),
// quiet and colours; and when the terminal's style allows bars and colours at all.
#include "cli/plain_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/no_reply.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "cli/terminal_style.h"

namespace q7310::cli {
namespace {

using std::chrono::milliseconds;
using Clock = PlainOutput::Clock;

// A file that stands for standard output or error; Text() reads what was written.
class Capture {
 public:
  Capture() : m_file(std::tmpfile()) {}
  ~Capture() { std::fclose(m_file); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  std::FILE* File() { return m_file; }
  std::string Text() {
    std::fflush(m_file);
    std::rewind(m_file);
    std::string text;
    for (int c; (c = std::fgetc(m_file)) != EOF;) text += static_cast<char>(c);
    return text;
  }

 private:
  std::FILE* m_file;
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class PlainOutputTest : public ::testing::Test {
 protected:
  PlainOutput Make(bool terminal, bool quiet = false, bool color = false) {
    PlainOutput::Settings settings;
    settings.quiet = quiet;
    settings.outStyle = {terminal, color};
    settings.errStyle = {terminal, color};
    settings.now = [this] { return now; };
    settings.columns = [] { return 100; };
    return PlainOutput(out.File(), err.File(), settings);
  }
  // An operation starts as the controller starts each: no share yet, "Communicating ...".
  static void Start(PlainOutput& output, std::string_view name) {
    output.OperationStarted(name);
    output.ProgressPercent(0);
    output.Progress(texts::kCommunicating, 0);
  }
  // An update of 512 blocks as the host passes it on: the share, then the text, a block at a
  // time, 20 ms apart.
  void RunUpdate(PlainOutput& output) {
    Start(output, "update");
    for (int block = 1; block <= 512; ++block) {
      now += milliseconds(20);
      const int percent = block * 100 / 512;
      output.DataMoved(128);
      output.ProgressPercent(percent);
      char text[64];
      std::snprintf(text, sizeof text, "%4d %%  (%d/65536 byte) transmitted", percent, block * 128);
      output.Progress(text, percent);
    }
    output.ProgressHidden();
    output.OperationEnded({"update", OperationSummary::Outcome::kDone, -1, 512, 65536, 10.24});
  }

  Capture out;
  Capture err;
  Clock::time_point now{};
};

TEST_F(PlainOutputTest, APipeGetsALinePerTenthAndTheClosingLine) {
  PlainOutput output = Make(false);
  RunUpdate(output);
  const std::string text = out.Text();
  EXPECT_EQ(Count(text, "\n"), 11u) << text;
  EXPECT_EQ(text.find("update   0 % Communicating ...  (0.0 s)\n"), 0u) << text;
  // Block 52: 1.04 s, 6,656 bytes, a tenth done.
  EXPECT_NE(
      text.find("update  10 % (6656/65536 byte) transmitted  (1.0 s, 6,400 B/s, 9.4 s left)\n"),
      std::string::npos)
      << text;
  EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1),
            "update: 512 blocks, 65,536 bytes in 10.2 s\n");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_TRUE(err.Text().empty());
}

TEST_F(PlainOutputTest, ATerminalGetsOneBarThatTheClosingLineReplaces) {
  PlainOutput output = Make(true);
  RunUpdate(output);
  const std::string text = out.Text();
  // One line in the end: every redraw returns to the start of the same line.
  EXPECT_EQ(Count(text, "\n"), 1u) << text;
  EXPECT_GT(Count(text, "\r"), 100u);
  // Redrawn when the share moves, not at every block (512 blocks, 101 shares).
  EXPECT_LT(Count(text, "\r"), 300u);
  EXPECT_NE(text.find("update [###         "), std::string::npos) << text;
  // Block 256: half done in 5.12 s.
  EXPECT_NE(text.find(" 50 % (32768/65536 byte) transmitted  5.1 s, 6,400 B/s, 5.1 s left\x1b[K"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.substr(text.rfind('\r')), "\rupdate: 512 blocks, 65,536 bytes in 10.2 s\x1b[K\n");
}

TEST_F(PlainOutputTest, TheBarsTimeRunsWhileNothingElseHappens) {
  PlainOutput output = Make(true);
  Start(output, "backup");
  now += milliseconds(2500);
  output.Tick();
  EXPECT_NE(out.Text().find("  2.5 s"), std::string::npos) << out.Text();
  const size_t drawn = out.Text().size();
  output.Tick();  // no time has passed: nothing to redraw
  EXPECT_EQ(out.Text().size(), drawn);
}

// A resend as the controller says it.
ResendNotice SecondResend() {
  return {"CMD_READ_SLOT", 2, 3, 5000, ResendText(2, 3, 5000)};
}

TEST_F(PlainOutputTest, AResendIsALineOnStandardErrorAndTheBarComesBackBelowIt) {
  PlainOutput output = Make(true);
  Start(output, "backup");
  const size_t beforeResend = out.Text().size();
  now += milliseconds(5000);
  output.Resend(SecondResend());
  EXPECT_EQ(err.Text(), SecondResend().text + "\n");
  // The bar is taken off its line (not left behind as a line of its own) and drawn again.
  const std::string after = out.Text().substr(beforeResend);
  EXPECT_EQ(after.find("\r\x1b[K\rbackup ["), 0u) << after;
  EXPECT_NE(after.find("5.0 s"), std::string::npos) << after;
  EXPECT_EQ(Count(out.Text(), "\n"), 0u) << out.Text();
  output.OperationEnded({"backup", OperationSummary::Outcome::kDone, 9, -1, 135204, 5.3});
  EXPECT_EQ(Count(out.Text(), "\n"), 1u) << out.Text();
}

TEST_F(PlainOutputTest, AResendIsSaidInAPipeAndWhenQuietToo) {
  for (const bool quiet : {false, true}) {
    SCOPED_TRACE(quiet);
    Capture pipeOut;
    Capture pipeErr;
    PlainOutput::Settings settings;
    settings.quiet = quiet;
    settings.now = [this] { return now; };
    PlainOutput output(pipeOut.File(), pipeErr.File(), settings);
    Start(output, "update");
    const std::string before = pipeOut.Text();
    output.Resend(SecondResend());
    EXPECT_EQ(pipeErr.Text(), SecondResend().text + "\n");
    EXPECT_EQ(pipeOut.Text(), before) << "nothing for standard output";
  }
}

TEST_F(PlainOutputTest, ResultsComeAfterTheClosingLineAndErrorsAtOnce) {
  PlainOutput output = Make(false);
  Start(output, "backup");
  output.BackupKept("/w/backups/BACKUP-1.BIN", "");
  output.OperationEnded({"backup", OperationSummary::Outcome::kDone, 9, -1, 135204, 3.3});
  output.OperationStarted("restore");
  output.Message(MessageKind::Error, texts::kMsgNoReply, "first\nsecond");
  output.OperationEnded({"restore", OperationSummary::Outcome::kFailed, -1, -1, -1, 20});
  EXPECT_EQ(out.Text(),
            "backup   0 % Communicating ...  (0.0 s)\n"
            "backup: 9 slots, 135,204 bytes in 3.3 s\n"
            "Backup kept as /w/backups/BACKUP-1.BIN\n"
            "restore: failed after 20.0 s\n");
  EXPECT_EQ(err.Text(),
            "ERROR: " + std::string(texts::kMsgNoReply) + "\n  detail: first\n          second\n");
}

TEST_F(PlainOutputTest, AMessageFromTheAmplifierIsALineOfItsOwnOnce) {
  PlainOutput output = Make(false);
  Start(output, "update");
  for (int block = 1; block <= 30; ++block) {
    output.Progress("Writing flash memory", block / 10);  // no new share: the amplifier's text
    output.ProgressPercent(block / 10);
    output.Progress("  0 %  (x/y byte) transmitted", block / 10);
  }
  EXPECT_EQ(Count(out.Text(), "Writing flash memory"), 1u) << out.Text();
}

TEST_F(PlainOutputTest, QuietKeepsOnlyWarningsErrorsAndResults) {
  PlainOutput output = Make(false, /*quiet=*/true);
  output.WorkingFolder("/w");
  PortChoice port;
  port.port = PortName{0, "/dev/ttyUSB0"};
  output.PortChosen(port);
  output.Stage(CUpgradeDlg::GuidanceFor(kStageError));
  RunUpdate(output);
  output.Message(MessageKind::Complete, texts::kMsgComplete, {});
  output.Warning("careful");
  output.Frame("2026-12-07T10:48:17.412305", "TX", "CMD_READ_SLOT");
  EXPECT_EQ(out.Text(),
            "update: 512 blocks, 65,536 bytes in 10.2 s\n"
            "COMPLETE: " +
                std::string(texts::kMsgComplete) +
                "\n"
                "2026-12-07T10:48:17.412305 TX CMD_READ_SLOT\n");
  EXPECT_EQ(err.Text(), "warning: careful\n");
}

TEST_F(PlainOutputTest, TheFirstLinesNameTheFolderAndThePort) {
  PlainOutput output = Make(false);
  output.WorkingFolder("/w");
  PortChoice port;
  port.port = PortName{0, "/dev/ttyUSB0"};
  SerialPortInfo listed;
  listed.device = "/dev/ttyUSB0";
  listed.vendorId = "0403";
  listed.productId = "6001";
  listed.description = "FTDI FT232R USB UART";
  port.info = listed;
  output.PortChosen(port);
  output.Refusal("run", "several", "--port /dev/ttyUSB0   a\n--port /dev/ttyUSB1   b\n");
  EXPECT_EQ(out.Text(), std::string(texts::kWorkingFolder) +
                            "/w\nPort: /dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)\n");
  EXPECT_EQ(err.Text(), "error: several\n  --port /dev/ttyUSB0   a\n  --port /dev/ttyUSB1   b\n");
}

TEST_F(PlainOutputTest, ColoursMarkTheCaptionsOnly) {
  PlainOutput output = Make(true, false, /*color=*/true);
  output.Message(MessageKind::Error, "bad", {});
  output.Warning("careful");
  output.Message(MessageKind::Complete, "good", {});
  EXPECT_EQ(err.Text(), "\x1b[1;31mERROR\x1b[0m: bad\n\x1b[1;33mwarning\x1b[0m: careful\n");
  EXPECT_EQ(out.Text(), "\x1b[1;32mCOMPLETE\x1b[0m: good\n");
}

TEST(TerminalStyle, BarsNeedATerminalThatMovesItsCursorAndColoursMayBeRefused) {
  struct Case {
    bool terminal;
    const char* term;
    const char* noColor;
    bool accepted;
    bool redraw;
    bool color;
  };
  const Case cases[] = {
      {true, "xterm-256color", nullptr, true, true, true},
      {true, nullptr, nullptr, true, true, true},  // a Windows console sets no TERM
      {true, "xterm", "1", true, true, false},
      {true, "xterm", "", true, true, true},  // NO_COLOR set but empty: colours stay
      {true, "dumb", nullptr, true, false, false},
      {true, "xterm", nullptr, false, false, false},  // the console refused the sequences
      {false, "xterm", nullptr, true, false, false},  // a pipe or a file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.term ? c.term : "(no TERM)") + (c.terminal ? " terminal" : " pipe"));
    const TerminalStyle style = ChooseTerminalStyle(c.terminal, c.term, c.noColor, c.accepted);
    EXPECT_EQ(style.redraw, c.redraw);
    EXPECT_EQ(style.color, c.color);
  }
}

}  // namespace
}  // namespace q7310::cli
