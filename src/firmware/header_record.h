// The header record (S0) on line 1 of a firmware file: the text its data bytes spell, and the
// mark that tells the sample firmware file of the simulator from firmware for an amplifier.
//
// The sample is made-up bytes shaped like a firmware image, shipped so that the programs can be
// tried against q7310-sim. Sent to a real amplifier it would replace the amplifier's firmware
// with nonsense, so it carries the mark in its header, and an update refuses a file with the
// mark unless the operator allows the sample (CUpgradeDlg::SetSampleAllowed, --allow-sample).
// tools/gen_srec.py writes the same phrase (SAMPLE_HEADER there) into every file it makes.
#pragma once

#include <string>
#include <string_view>

namespace q7310 {

// The phrase that marks the simulator's sample, anywhere in the header's text.
inline constexpr std::string_view kSimulatorSampleMark = "SAMPLE FOR q7310-sim ONLY";

// The text that the data bytes of the S0 record `line` spell: printable ASCII as it stands,
// every other byte as \xNN. The checksum is not checked (the load never checks line 1's), and a
// header cut short or with a bad digit gives the text up to there. Empty for a line that is not
// an S0 record.
std::string HeaderRecordText(std::string_view line);

// Whether `headerText` (as HeaderRecordText gives it) carries kSimulatorSampleMark.
bool IsSimulatorSampleHeader(std::string_view headerText);

}  // namespace q7310
