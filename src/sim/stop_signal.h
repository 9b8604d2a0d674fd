// SIGINT and SIGTERM as a stop request that a poll loop can wait on.
//
// Install() sets handlers that raise a flag and write one byte to a pipe; the loop polls
// ReadFd() beside its line and checks Requested() after every interrupted sleep. One per process.
#pragma once

namespace q7310::sim {

class StopSignal {
 public:
  // False, with errno set, if the pipe or a handler cannot be set up.
  static bool Install();
  static int ReadFd();
  static bool Requested();
};

}  // namespace q7310::sim
