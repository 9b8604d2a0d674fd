// Progress that tells time: the figures, the meter behind them, the line and the bar that show
// them, and each operation's closing line.
#include <gtest/gtest.h>

#include <string>

#include "cli/figures.h"
#include "cli/output_text.h"
#include "cli/progress_meter.h"

namespace q7310::cli {
namespace {

using std::chrono::milliseconds;
using Clock = ProgressMeter::Clock;

int Width(const std::string& text) {
  int n = 0;
  for (const unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(Figures, CountsDurationsAndRatesReadAsPeopleWriteThem) {
  EXPECT_EQ(FormatCount(0), "0");
  EXPECT_EQ(FormatCount(999), "999");
  EXPECT_EQ(FormatCount(1000), "1,000");
  EXPECT_EQ(FormatCount(135204), "135,204");
  EXPECT_EQ(FormatCount(1234567), "1,234,567");
  EXPECT_EQ(FormatDuration(0), "0.0 s");
  EXPECT_EQ(FormatDuration(3.26), "3.3 s");
  EXPECT_EQ(FormatDuration(99.9), "99.9 s");
  EXPECT_EQ(FormatDuration(125.2), "2 min 05 s");
  EXPECT_EQ(FormatDuration(-1), "0.0 s");
  EXPECT_EQ(FormatRate(4771.4), "4,771 B/s");
}

TEST(ProgressMeter, TellsElapsedRateAndTimeLeftOnceTheyMeanSomething) {
  const Clock::time_point start{};
  ProgressMeter meter;
  meter.Start(start);
  // Too early for a rate or an estimate.
  meter.AddBytes(100);
  meter.SetPercent(1);
  EXPECT_EQ(meter.Stats(start + milliseconds(200)), "0.2 s");
  // 2 s in, a quarter done, 9,600 bytes moved.
  meter.AddBytes(9500);
  meter.SetPercent(25);
  EXPECT_EQ(meter.Stats(start + milliseconds(2000)), "2.0 s, 4,800 B/s, 6.0 s left");
  // Done: no time left to tell.
  meter.SetPercent(100);
  EXPECT_EQ(meter.Stats(start + milliseconds(8000)), "8.0 s, 1,200 B/s");
  // A new operation starts from nothing.
  meter.Start(start + milliseconds(9000));
  EXPECT_EQ(meter.Bytes(), 0u);
  EXPECT_EQ(meter.Percent(), 0);
  EXPECT_EQ(meter.Stats(start + milliseconds(10000)), "1.0 s");
}

TEST(ProgressMeter, ExpectedBytesTellTheTimeLeftBetterThanACountOfSlots) {
  // A verify: slot 0 is most of the data, so after it a ninth of the slots is a half of the bytes.
  const Clock::time_point start{};
  ProgressMeter meter;
  meter.Start(start);
  meter.ExpectBytes(100000);
  meter.SetPercent(11);
  meter.AddBytes(50000);
  EXPECT_EQ(meter.Stats(start + milliseconds(10000)), "10.0 s, 5,000 B/s, 10.0 s left");
  meter.AddBytes(50000);
  EXPECT_EQ(meter.Stats(start + milliseconds(20000)), "20.0 s, 5,000 B/s");
  // A backup: neither its bytes nor a share of them is known; no time left to tell.
  meter.Start(start);
  meter.ExpectBytes(0);
  meter.SetPercent(11);
  meter.AddBytes(10000);
  EXPECT_EQ(meter.Stats(start + milliseconds(2000)), "2.0 s, 5,000 B/s");
}

TEST(ProgressMeter, LineModeWritesAtMostOneLinePerTenth) {
  ProgressMeter meter;
  meter.Start(Clock::time_point{});
  int lines = 0;
  // An update's 513 percentages, each block a little further.
  for (int block = 0; block <= 512; ++block) lines += meter.LineDue(block * 100 / 512);
  EXPECT_EQ(lines, 10);  // 0 %, 10 %, ... 90 %; 100 % is the closing line's
  meter.Start(Clock::time_point{});
  EXPECT_TRUE(meter.LineDue(0));
  EXPECT_FALSE(meter.LineDue(5));
  EXPECT_TRUE(meter.LineDue(33));  // a jump past several tenths: one line
  EXPECT_FALSE(meter.LineDue(20));
  EXPECT_FALSE(meter.LineDue(100));
  EXPECT_FALSE(meter.LineDue(-1));
}

TEST(ProgressLines, TheShareStandsInTheSamePlaceForEveryOperation) {
  EXPECT_EQ(ProgressLine({"backup", "Reading ... slot no. 5", 55, "1.8 s"}),
            "backup  55 % Reading ... slot no. 5  (1.8 s)");
  // The update's text carries its own percentage: it is not said twice.
  EXPECT_EQ(ProgressLine({"update", "  40 %  (26240/65536 byte) transmitted", 40, ""}),
            "update  40 % (26240/65536 byte) transmitted");
  // A '%' later in a text is the text's own.
  EXPECT_EQ(ProgressLine({"update", "Erased 50% of flash", 3, ""}),
            "update   3 % Erased 50% of flash");
}

TEST(ProgressLines, TheBarNeverReachesTheLastColumnAndKeepsTheShare) {
  const ProgressParts parts{"update", "  40 %  (26240/65536 byte) transmitted", 40,
                            "5.0 s, 4,657 B/s, 9.3 s left"};
  EXPECT_EQ(ProgressBarLine(parts, 120),
            "update [############                  ]  40 % (26240/65536 byte) transmitted  5.0 s, "
            "4,657 B/s, 9.3 s left");
  for (int columns = 1; columns <= 120; ++columns) {
    const std::string line = ProgressBarLine(parts, columns);
    EXPECT_LT(Width(line), std::max(columns, 2)) << columns << ": " << line;
    if (columns >= 20) {
      EXPECT_NE(line.find(" 40 % "), std::string::npos) << columns << line;
    }
  }
  // Narrow: the text goes before the figures, the bar before the text.
  EXPECT_EQ(ProgressBarLine(parts, 50), "update  40 % (26240  5.0 s, 4,657 B/s, 9.3 s left");
  EXPECT_EQ(ProgressBarLine(parts, 40), "update  40 %   5.0 s, 4,657 B/s, 9.3 s ");
  // Letters of several bytes count as one column.
  const std::string wide = ProgressBarLine({"backup", "Über · 日本", 50, ""}, 26);
  EXPECT_EQ(Width(wide), 25) << wide;
}

TEST(ProgressLines, EachOperationClosesWithWhatItMovedAndHowLongItTook) {
  using Outcome = OperationSummary::Outcome;
  EXPECT_EQ(ClosingLine({"backup", Outcome::kDone, 9, -1, 135204, 3.26}),
            "backup: 9 slots, 135,204 bytes in 3.3 s");
  EXPECT_EQ(ClosingLine({"update", Outcome::kDone, -1, 512, 65536, 13.74}),
            "update: 512 blocks, 65,536 bytes in 13.7 s");
  EXPECT_EQ(ClosingLine({"verify", Outcome::kDone, -1, -1, -1, 1}), "verify: done in 1.0 s");
  EXPECT_EQ(ClosingLine({"restore", Outcome::kFailed, 9, -1, 100, 20.04}),
            "restore: failed after 20.0 s");
  EXPECT_EQ(ClosingLine({"backup", Outcome::kCancelled, -1, -1, -1, 2.0}),
            "backup: cancelled after 2.0 s");
}

}  // namespace
}  // namespace q7310::cli
