#include "sim/sim_loop.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>

#include "serial/envelope.h"
#include "serial/frame_assembler.h"
#include "sim/line_pacer.h"
#include "sim/stop_signal.h"
#include "util/atomic_file.h"

namespace q7310::sim {

namespace {
constexpr size_t kReadChunk = 512;
constexpr int kWritePollMs = 1000;

// Sleeps until an absolute time on the monotonic clock. False if a stop was requested.
bool SleepUntil(SimClock::time_point deadline) {
  const auto ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
  timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    if (StopSignal::Requested()) return false;
  }
  return !StopSignal::Requested();
}
}  // namespace

SimLoop::SimLoop(SimLine& line, Amplifier& amplifier, LoopOptions options)
    : m_line(line),
      m_amplifier(amplifier),
      m_options(std::move(options)),
      m_txPacer(m_options.pace) {
  if (!m_options.turnaroundLog.empty()) m_turnaround.open(m_options.turnaroundLog);
}

LoopEnd SimLoop::Run() {
  FrameAssembler assembler;
  ReceivePacer pacer(m_options.pace);
  SimClock::time_point frameStart{};
  std::array<uint8_t, kReadChunk> buf{};
  while (!StopSignal::Requested()) {
    std::array<pollfd, 2> fds{{{m_line.Fd(), POLLIN, 0}, {StopSignal::ReadFd(), POLLIN, 0}}};
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return LoopEnd::kLineError;
    }
    if (fds[1].revents != 0) break;
    if (fds[0].revents == 0) continue;
    const ssize_t n = ::read(m_line.Fd(), buf.data(), buf.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0 && errno != EIO) return LoopEnd::kLineError;
    if (n <= 0) return LoopEnd::kLineClosed;  // end of file, or EIO: the device is gone
    const auto readAt = SimClock::now();
    for (ssize_t i = 0; i < n; ++i) {
      const uint8_t byte = buf[static_cast<size_t>(i)];
      const auto arrived = pacer.Arrive(readAt);
      if (assembler.State() == FrameAssembler::RX_HUNT && byte == DLE) frameStart = readAt;
      if (auto frame = assembler.ProcessByte(byte)) {
        if (auto end = HandleFrame(*frame, arrived, frameStart)) return *end;
      }
    }
  }
  return LoopEnd::kStopped;
}

std::optional<LoopEnd> SimLoop::HandleFrame(const ReceivedFrame& frame,
                                            SimClock::time_point complete,
                                            SimClock::time_point firstByte) {
  const Response r = m_amplifier.HandleFrame(frame);
  if (r.isRequest && m_haveReplyEnd && m_turnaround.is_open()) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(firstByte - m_replyEnd);
    m_turnaround << us.count() << '\n' << std::flush;
  }
  Persist(r);
  const auto wire = ToWire(r);
  if (!wire.empty()) {
    const auto earliest =
        std::max(complete, SimClock::now()) + std::chrono::milliseconds(r.delayMs);
    if (!Send(wire, earliest)) {
      return StopSignal::Requested() ? LoopEnd::kStopped : LoopEnd::kLineError;
    }
  }
  if (r.hangup) return LoopEnd::kHangup;
  return std::nullopt;
}

void SimLoop::Persist(const Response& r) {
  if (r.restoreChanged && !m_options.restoreOut.empty()) {
    std::string error;
    if (!WriteFileAtomically(m_options.restoreOut, m_amplifier.Restore().Records(), &error) &&
        m_fileError.empty()) {
      m_fileError = m_options.restoreOut + ": " + error;
    }
  }
  if (r.imageCompleted) WriteImage(&m_fileError);
}

bool SimLoop::WriteImage(std::string* error) {
  if (m_options.imageOut.empty() || !m_amplifier.Update().Started()) return true;
  std::string reason;
  if (WriteFileAtomically(m_options.imageOut, m_amplifier.Update().Image(), &reason)) return true;
  if (error && error->empty()) *error = m_options.imageOut + ": " + reason;
  return false;
}

bool SimLoop::Send(const std::vector<uint8_t>& wire, SimClock::time_point earliest) {
  if (!SleepUntil(earliest)) return false;
  m_txPacer.Begin(earliest);
  if (!m_txPacer.Pacing()) {
    if (!WriteAll(wire.data(), wire.size())) return false;
  } else {
    for (uint8_t byte : wire) {
      if (!SleepUntil(m_txPacer.NextDeadline()) || !WriteAll(&byte, 1)) return false;
    }
  }
  m_replyEnd = SimClock::now();
  m_haveReplyEnd = true;
  return true;
}

bool SimLoop::WriteAll(const uint8_t* data, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(m_line.Fd(), data, n);
    if (w > 0) {
      data += w;
      n -= static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) return false;
    // The line's buffer is full until the client reads; wait for room, or for a stop.
    pollfd pfd{m_line.Fd(), POLLOUT, 0};
    if (poll(&pfd, 1, kWritePollMs) < 0 && errno != EINTR) return false;
    if (StopSignal::Requested()) return false;
  }
  return true;
}

}  // namespace q7310::sim
