#include "frame/termination_signals.h"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace qev::frame {

TTerminationSignals::TTerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

TTerminationSignals::~TTerminationSignals() {
  // The signals stay blocked: one that arrives during the last steps of the exit must not
  // kill the process after an orderly close.
  if (fd_ >= 0)
    close(fd_);
}

int TTerminationSignals::TakePending() {
  int last = 0;
  signalfd_siginfo info;
  while (fd_ >= 0 && read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
    last = static_cast<int>(info.ssi_signo);
  return last;
}

} // namespace qev::frame
