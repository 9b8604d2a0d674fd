// Output for people. Progress, instructions, closing lines and "COMPLETE: <text>" go to standard
// output; "ERROR: <text>" with its "  detail: …" lines, warnings and refusals to standard error,
// so that a script or a log keeps the two apart.
//
// On a terminal each operation draws one bar, redrawn in place with its elapsed time, rate and
// time left, which its closing line replaces ("backup: 9 slots, 135,204 bytes in 3.3 s"). Where
// no bar can be drawn (a pipe, a file, TERM=dumb) the progress is a line at 0 %, 10 %, … 90 % at
// most. Quiet: only warnings, errors and results (closing lines, COMPLETE, the dated copy), and
// the instructions when the run waits for Enter. Verbose: a trace line per frame as well.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output_sink.h"
#include "cli/progress_meter.h"
#include "cli/terminal_style.h"

namespace q7310::cli {

class PlainOutput : public OutputSink {
 public:
  using Clock = ProgressMeter::Clock;
  struct Settings {
    bool quiet = false;
    TerminalStyle outStyle;  // of `out`
    TerminalStyle errStyle;  // of `err`
    // The clock and the terminal's width (0: not known), replaceable for tests.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
    std::function<int()> columns = [] { return 0; };
  };
  PlainOutput(std::FILE* out, std::FILE* err, Settings settings);
  // For the terminal of the program's own standard output and error.
  static Settings SettingsFor(std::FILE* out, std::FILE* err, bool quiet);

  void Message(MessageKind kind, std::string_view text, std::string_view detail) override;
  void ProgressTitle(std::string_view) override {}
  void Progress(std::string_view text, int percent) override;
  void ProgressPercent(int percent) override;
  void ProgressHidden() override {}
  void Stage(const Guidance& guidance) override;
  void Event(ProtocolEvent, std::string_view) override {}
  // On standard error, in quiet mode too (it warns of a line in trouble). A bar is taken off its
  // line first and drawn again below the notice, so that no stale bar stays above it.
  void Resend(const ResendNotice& notice) override;
  void BackupKept(std::string_view path, std::string_view error) override;

  void WorkingFolder(std::string_view path) override;
  void PortChosen(const PortChoice& choice) override;
  void Instructions(const std::vector<std::string>& lines) override;
  void OperationStarted(std::string_view name) override;
  void DataMoved(uint64_t bytes) override { m_meter.AddBytes(bytes); }
  void DataExpected(uint64_t bytes) override { m_meter.ExpectBytes(bytes); }
  void OperationEnded(const OperationSummary& summary) override;
  void Frame(std::string_view time, std::string_view kind, std::string_view text) override;
  void Warning(std::string_view text) override;
  void Refusal(std::string_view name, std::string_view text, std::string_view detail) override;
  void Result(std::string_view, bool) override {}
  void Cancelled() override;
  void IncompleteBackup(std::string_view path, const SlotCoverage& coverage,
                        std::string_view text) override;
  void BackupBinKept(const KeptBackup& kept) override;
  void SettingsToRestore(const SettingsNote& note) override;
  // Redraws the bar when its share changed without a text, or when its time has moved on by a
  // tenth of a second, so that the elapsed time runs while the operation waits for a reply.
  void Tick() override;

 private:
  void Line(std::FILE* to, std::string_view text);
  // A line of results kept until the running operation's closing line, or written at once.
  void ResultLine(std::string text);
  void EndBar();
  // Takes the bar off its line (the cursor back at the line's start); true when one was drawn.
  bool ClearBar();
  void DrawBar();
  // Draws the bar when its share changed, else at most every kRedrawInterval: a fast line
  // would otherwise redraw it at every block.
  void DrawBarWhenDue();
  // Line mode: the progress line of `percent` when its tenth is due, or a text that came
  // without a new share (a message from the amplifier) when it is new.
  void WriteProgressLine(bool withShare);
  std::string Caption(std::string_view caption, const TerminalStyle& style,
                      const char* color) const;

  std::FILE* m_out;
  std::FILE* m_err;
  Settings m_settings;
  ProgressMeter m_meter;
  std::string m_operation;  // the running operation, empty between operations
  std::string m_text;       // its last progress text
  bool m_barOpen = false;
  Clock::time_point m_lastDraw{};
  int m_drawnPercent = -1;
  // Whether the share was set since the last text: a text without one is a message of its own.
  // The bar is drawn with the text that follows (or at the next tick), not with the old one.
  bool m_shareSet = false;
  std::string m_lastNote;  // line mode: the last such text written, and the tenth it came in
  int m_noteTenth = -1;
  std::vector<std::string> m_pendingResults;
};

}  // namespace q7310::cli
