// The simulator's I/O loop: reads the line, cuts frames with the shared assembler, hands them to
// the Amplifier and writes its replies back in the wire envelope, optionally at line rate.
//
// Run() returns when a stop signal arrives (StopSignal), when a reply asked for a hang-up, or
// when the line reports its end (a device that went away). With pacing, a reply starts only once
// the request would have fully arrived at 57600 bps and its bytes leave one byte time apart.
// Files named in LoopOptions are rewritten whole whenever their content changes.
#pragma once

#include <fstream>
#include <optional>
#include <string>

#include "sim/amplifier.h"
#include "sim/line_pacer.h"
#include "sim/sim_line.h"

namespace q7310::sim {

struct LoopOptions {
  bool pace = false;
  std::string restoreOut;     // restored slot records, rewritten after each closed record
  std::string imageOut;       // the update image, written when it completes and at the end
  std::string turnaroundLog;  // one line per request that follows a reply: microseconds from
                              // that reply's last byte written to the request's first byte read
};

enum class LoopEnd { kStopped, kHangup, kLineClosed, kLineError };

class SimLoop {
 public:
  SimLoop(SimLine& line, Amplifier& amplifier, LoopOptions options);

  LoopEnd Run();

  // Writes the image file if one is named and an update ran; false, with the reason added to
  // error when it is empty, on a write error. Called on completion and once at the end.
  bool WriteImage(std::string* error);
  // The first file error met while running, if any.
  const std::string& FileError() const { return m_fileError; }

 private:
  // A value when the loop is to end.
  std::optional<LoopEnd> HandleFrame(const ReceivedFrame& frame, SimClock::time_point complete,
                                     SimClock::time_point firstByte);
  bool Send(const std::vector<uint8_t>& wire, SimClock::time_point earliest);
  bool WriteAll(const uint8_t* data, size_t n);
  void Persist(const Response& r);

  SimLine& m_line;
  Amplifier& m_amplifier;
  LoopOptions m_options;
  TransmitPacer m_txPacer;
  std::ofstream m_turnaround;
  bool m_haveReplyEnd = false;
  SimClock::time_point m_replyEnd{};
  std::string m_fileError;
};

}  // namespace q7310::sim
