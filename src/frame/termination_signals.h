#pragma once

#include <signal.h>

namespace qev::frame {

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, logout, system shutdown) become readable events on a
// descriptor instead of ending the process, so the program can close in order and lose nothing.
// Create it first in main, before any thread starts: threads inherit the blocked signals.
class TTerminationSignals {
public:
  TTerminationSignals();
  ~TTerminationSignals();
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

  // Readable while a signal is pending; -1 when the descriptor could not be made.
  int Descriptor() const { return fd_; }
  // Consumes the pending signals; the number of the last one, 0 when none was pending.
  int TakePending();

private:
  int fd_ = -1;
};

} // namespace qev::frame
