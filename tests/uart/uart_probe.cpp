// uart-probe: the UART test's helper inside the guest (built static by tools/uart-test).
//
//   uart-probe watch DEVICE   holds DEVICE open and samples its settings every 10 ms
//                             until SIGTERM: the termios, the modem lines (TIOCMGET) and the
//                             driver's flags (TIOCGSERIAL). Prints the state before, the states
//                             seen, the state after, and two verdicts: the line was set to 57600
//                             8N1 raw without flow control, DTR and RTS on, low latency, while the
//                             program under test ran; and everything was put back as it was,
//                             byte for byte. Exit status 0 when both hold, 1 otherwise.
//   uart-probe exit N         ends the virtual machine with status N (QEMU's isa-debug-exit).
//
// The probe never reads or writes the line: holding it open only keeps the driver from shutting
// the port down between programs, so what is seen after the program closed it is what the
// program itself restored.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

// 10 ms: q7310 holds the line for seconds, and the guest's one emulated processor also runs it.
constexpr long kSampleIntervalNs = 10'000'000;
constexpr unsigned short kDebugExitPort = 0xf4;

std::atomic<bool> g_stop{false};

void OnStop(int) {
  g_stop = true;
}

// Everything that a program can change on the port, read the way any program reads it.
struct PortState {
  termios tio;
  int modemLines;
  serial_struct serial;
  bool haveModemLines;
  bool haveSerial;
};

PortState Sample(int fd) {
  PortState s;
  std::memset(&s, 0, sizeof s);  // padding too: the dumps are compared byte for byte
  if (tcgetattr(fd, &s.tio) != 0) std::perror("tcgetattr");
  s.haveModemLines = ioctl(fd, TIOCMGET, &s.modemLines) == 0;
  s.haveSerial = ioctl(fd, TIOCGSERIAL, &s.serial) == 0;
  return s;
}

std::string Hex(const void* data, size_t size) {
  std::string out;
  char byte[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<const unsigned char*>(data)[i]);
    out += byte;
  }
  return out;
}

// The full dump: three hex strings, equal exactly when every byte of every setting is equal.
std::string Dump(const PortState& s) {
  return "termios " + Hex(&s.tio, sizeof s.tio) + "\nmodem lines " +
         (s.haveModemLines ? Hex(&s.modemLines, sizeof s.modemLines) : "unreadable") + "\nserial " +
         (s.haveSerial ? Hex(&s.serial, sizeof s.serial) : "unreadable") + "\n";
}

unsigned Baud(speed_t code) {
  struct Speed {
    speed_t code;
    unsigned bps;
  };
  static constexpr Speed kSpeeds[] = {
      {B0, 0},         {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},
      {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
  for (const Speed& s : kSpeeds) {
    if (s.code == code) return s.bps;
  }
  return 1;  // a rate this table does not name: never the one wanted
}

// One line a person can read: speed, frame, flow control, mode, modem lines, low latency.
std::string Describe(const PortState& s) {
  const termios& t = s.tio;
  const int bits[] = {5, 6, 7, 8};
  std::string d = std::to_string(Baud(cfgetospeed(&t))) + " " +
                  std::to_string(bits[(t.c_cflag & CSIZE) >> 4]) +
                  ((t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? "O" : "E") : "N") +
                  ((t.c_cflag & CSTOPB) ? "2" : "1");
  d += (t.c_cflag & CRTSCTS) ? " crtscts" : " -crtscts";
  d += (t.c_iflag & IXON) ? " ixon" : " -ixon";
  d += (t.c_iflag & IXOFF) ? " ixoff" : " -ixoff";
  d += (t.c_lflag & ICANON) ? " icanon" : " -icanon";
  d += (t.c_lflag & ECHO) ? " echo" : " -echo";
  d += (t.c_oflag & OPOST) ? " opost" : " -opost";
  d += " min " + std::to_string(t.c_cc[VMIN]) + " time " + std::to_string(t.c_cc[VTIME]);
  if (s.haveModemLines) {
    d += " |";
    if (s.modemLines & TIOCM_DTR) d += " DTR";
    if (s.modemLines & TIOCM_RTS) d += " RTS";
    if (s.modemLines & TIOCM_CTS) d += " CTS";
    if (s.modemLines & TIOCM_DSR) d += " DSR";
    if (s.modemLines & TIOCM_CD) d += " CD";
  }
  if (s.haveSerial)
    d += (s.serial.flags & ASYNC_LOW_LATENCY) ? " | low_latency" : " | -low_latency";
  return d;
}

// What is wrong with the state for the program's line: 57600 8N1, raw, no flow control, DTR and
// RTS on, low latency. Empty when nothing is.
std::vector<std::string> Deviations(const PortState& s) {
  const termios& t = s.tio;
  std::vector<std::string> wrong;
  if (cfgetispeed(&t) != B57600 || cfgetospeed(&t) != B57600) wrong.push_back("speed not 57600");
  if ((t.c_cflag & CSIZE) != CS8) wrong.push_back("not 8 data bits");
  if (t.c_cflag & PARENB) wrong.push_back("parity on");
  if (t.c_cflag & CSTOPB) wrong.push_back("two stop bits");
  if ((t.c_cflag & (CREAD | CLOCAL)) != (CREAD | CLOCAL)) wrong.push_back("CREAD or CLOCAL off");
  if (t.c_cflag & CRTSCTS) wrong.push_back("CRTSCTS on");
  if (t.c_iflag & (IXON | IXOFF | IXANY)) wrong.push_back("software flow control on");
  // What cfmakeraw() clears: nothing translated, echoed, buffered by line or turned into signals.
  if (t.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL))
    wrong.push_back("input translated");
  if (t.c_oflag & OPOST) wrong.push_back("output processed");
  if (t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN)) wrong.push_back("not raw");
  if (t.c_cc[VMIN] != 1 || t.c_cc[VTIME] != 0) wrong.push_back("VMIN/VTIME not 1/0");
  if (!s.haveModemLines || (s.modemLines & (TIOCM_DTR | TIOCM_RTS)) != (TIOCM_DTR | TIOCM_RTS))
    wrong.push_back("DTR or RTS off");
  if (!s.haveSerial || !(s.serial.flags & ASYNC_LOW_LATENCY)) wrong.push_back("low latency off");
  return wrong;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

// Which of the three settings differ between two states.
std::string Differences(const PortState& a, const PortState& b) {
  std::vector<std::string> differ;
  if (std::memcmp(&a.tio, &b.tio, sizeof a.tio) != 0) differ.push_back("termios");
  if (a.haveModemLines != b.haveModemLines || a.modemLines != b.modemLines)
    differ.push_back("modem lines");
  if (a.haveSerial != b.haveSerial || std::memcmp(&a.serial, &b.serial, sizeof a.serial) != 0)
    differ.push_back("serial flags");
  return Join(differ);
}

double MsSince(const timespec& start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (now.tv_sec - start.tv_sec) * 1e3 + (now.tv_nsec - start.tv_nsec) / 1e6;
}

int Watch(const char* device) {
  const int fd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stdout, "probe: %s: %s\n", device, std::strerror(errno));
    return 1;
  }
  struct sigaction stop {};
  stop.sa_handler = OnStop;
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);

  const PortState before = Sample(fd);
  std::printf("before: %s\n%s", Describe(before).c_str(), Dump(before).c_str());
  std::fflush(stdout);  // the caller starts the program under test once it sees this line

  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  std::string last = Dump(before);
  unsigned samples = 0, matching = 0;
  size_t fewestDeviations = SIZE_MAX;
  std::string closest;
  while (!g_stop) {
    const PortState now = Sample(fd);
    ++samples;
    const std::vector<std::string> wrong = Deviations(now);
    if (wrong.empty()) ++matching;
    const std::string dump = Dump(now);
    if (dump != last) {
      std::printf("at %.1f ms: %s%s\n", MsSince(start), Describe(now).c_str(),
                  wrong.empty() ? "  [as wanted]" : "");
      last = dump;
    }
    if (wrong.size() < fewestDeviations) {
      fewestDeviations = wrong.size();
      closest = Describe(now) + (wrong.empty() ? "" : " (" + Join(wrong) + ")");
    }
    const timespec interval{0, kSampleIntervalNs};
    nanosleep(&interval, nullptr);
  }

  const PortState after = Sample(fd);
  close(fd);
  std::printf("after: %s\n%s", Describe(after).c_str(), Dump(after).c_str());
  std::printf("samples: %u, %u of them as wanted\n", samples, matching);
  const bool setWhileRunning = matching > 0;
  const std::string changed = Differences(before, after);
  if (setWhileRunning) {
    std::printf("check line set while running: ok (%s)\n", closest.c_str());
  } else {
    std::printf("check line set while running: FAILED, closest state seen: %s\n", closest.c_str());
  }
  if (changed.empty()) {
    std::printf("check restored after: ok (termios, modem lines, serial flags as before)\n");
  } else {
    std::printf("check restored after: FAILED, %s differ from before\n", changed.c_str());
  }
  return setWhileRunning && changed.empty() ? 0 : 1;
}

int ExitMachine(int status) {
  if (ioperm(kDebugExitPort, 1, 1) != 0) {
    std::perror("probe: ioperm");
    return 1;
  }
  outb(static_cast<unsigned char>(status), kDebugExitPort);
  std::fprintf(stderr, "probe: the machine has no isa-debug-exit device at 0x%x\n", kDebugExitPort);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "watch") == 0) return Watch(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "exit") == 0) return ExitMachine(std::atoi(argv[2]));
  std::fprintf(stderr, "usage: uart-probe watch DEVICE | uart-probe exit N\n");
  return 2;
}
