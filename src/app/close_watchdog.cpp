#include "app/close_watchdog.h"

#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qev::app {

namespace {

void Wake(int fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = write(fd, &one, sizeof one);
}

void Drain(int fd) {
  std::uint64_t count = 0;
  [[maybe_unused]] const auto read = ::read(fd, &count, sizeof count);
}

} // namespace

TCloseWatchdog::TCloseWatchdog(std::string programName, int signalFd, Describe describe,
                               std::chrono::milliseconds grace)
    : programName_(std::move(programName)), signalFd_(signalFd), describe_(std::move(describe)),
      grace_(grace), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), thread_([this] { Run(); }) {}

TCloseWatchdog::~TCloseWatchdog() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  Wake(wakeFd_);
  thread_.join();
  if (wakeFd_ >= 0)
    close(wakeFd_);
}

void TCloseWatchdog::Arm() {
  {
    std::lock_guard lock(mutex_);
    if (deadline_)
      return;
    deadline_ = std::chrono::steady_clock::now() + grace_;
  }
  Wake(wakeFd_);
}

void TCloseWatchdog::Run() {
  for (;;) {
    int timeoutMs = -1;
    bool armed = false;
    bool expired = false;
    {
      std::lock_guard lock(mutex_);
      if (stop_)
        return;
      if (deadline_) {
        armed = true;
        const auto left = *deadline_ - std::chrono::steady_clock::now();
        expired = left <= std::chrono::steady_clock::duration::zero();
        timeoutMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
      }
    }
    if (expired)
      Expire();
    // The signal stays pending until the user-interface thread reads it, so once armed the
    // descriptor is no longer watched (a negative descriptor is skipped by poll).
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {armed ? -1 : signalFd_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0)
      continue;
    if (fds[0].revents & POLLIN)
      Drain(wakeFd_);
    if (fds[1].revents & POLLIN)
      Arm();
  }
}

void TCloseWatchdog::Expire() const {
  std::string text = programName_ + ": the close did not finish within " +
                     std::to_string(std::chrono::ceil<std::chrono::seconds>(grace_).count()) + " s";
  if (const std::string hang = describe_ ? describe_() : std::string(); !hang.empty())
    text += ": " + hang;
  text += "; exiting\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
  // Nothing else may run: the thread that should end the process is stuck.
  _exit(kExitCloseHung);
}

} // namespace qev::app
