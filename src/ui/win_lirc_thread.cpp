#include "ui/win_lirc_thread.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qev::ui {

namespace {

constexpr std::chrono::milliseconds kReconnectPause{1};

// A socket whose connect has begun (or finished) without blocking, or -1.
int StartConnect(const sockaddr *address, socklen_t length, int family) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0)
    return -1;
  if (::connect(fd, address, length) == 0 || errno == EINPROGRESS)
    return fd;
  ::close(fd);
  return -1;
}

int StartUnixConnect(const std::string &path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    return -1;
  std::memcpy(address.sun_path, path.data(), path.size());
  return StartConnect(reinterpret_cast<const sockaddr *>(&address), sizeof address, AF_UNIX);
}

int StartTcpConnect(const std::string &host, int port) {
  if (host.empty() || port == 0)
    return -1;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
    return -1;
  const int fd = StartConnect(found->ai_addr, found->ai_addrlen, found->ai_family);
  ::freeaddrinfo(found);
  return fd;
}

void SetBlockingWithTimeout(int fd, std::chrono::milliseconds timeout) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

} // namespace

// What the reader and the user-interface thread share about lines in hand-over. It outlives
// the thread object: a line still queued when Stop ran finds `stopped` set and is dropped.
struct TWinLircThread::THandOff {
  std::mutex mutex;
  std::condition_variable processed;
  bool stopped = false;
  LineHandler process;
};

TWinLircThread::TWinLircThread(std::string hostPort, frame::UiDispatcher &ui,
                               LineHandler processLine, TTiming timing)
    : address_(ParseLircAddress(hostPort)), ui_(ui), timing_(timing),
      handOff_(std::make_shared<THandOff>()) {
  handOff_->process = std::move(processLine);
  thread_ = std::thread([this] { Run(); });
}

TWinLircThread::~TWinLircThread() { Stop(); }

void TWinLircThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (fd_ >= 0)
      ::shutdown(fd_, SHUT_RDWR); // ends a blocking read at once
  }
  wake_.notify_all();
  {
    std::lock_guard lock(handOff_->mutex);
    handOff_->stopped = true;
  }
  handOff_->processed.notify_all();
  if (thread_.joinable())
    thread_.join();
}

void TWinLircThread::Run() {
  TRetryBackOff backOff(timing_.FirstRetry, timing_.LongestRetry);
  while (!stopping_) {
    const int fd = Connect();
    if (fd < 0) {
      Pause(backOff.Next());
      continue;
    }
    backOff.Reset();
    connected_ = true;
    ReadLines(fd);
    connected_ = false;
    CloseSocket();
    Pause(kReconnectPause);
  }
  CloseSocket();
}

int TWinLircThread::Connect() {
  ++attempts_;
  const int fd = address_.Path.empty() ? StartTcpConnect(address_.Host, address_.Port)
                                       : StartUnixConnect(address_.Path);
  if (fd < 0)
    return -1;
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
    if (stopping_)
      return -1; // the loop's end closes it
  }
  if (!WaitConnected(fd)) {
    CloseSocket();
    return -1;
  }
  SetBlockingWithTimeout(fd, timing_.ReadTimeout);
  return fd;
}

// The connect finishes within slices of the read timeout, so a stop is seen meanwhile.
bool TWinLircThread::WaitConnected(int fd) {
  while (!stopping_) {
    pollfd wait{fd, POLLOUT, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(timing_.ReadTimeout.count()));
    if (ready < 0 && errno != EINTR)
      return false;
    if (ready <= 0)
      continue;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  return false;
}

void TWinLircThread::ReadLines(int fd) {
  TLineSplitter splitter;
  char buffer[512];
  while (!stopping_) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got == 0)
      return; // the server closed, or Stop shut the socket down
    if (got < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        continue; // the read timeout: look at the stop flag and read on
      return;
    }
    for (const std::string &line : splitter.Feed({buffer, static_cast<std::size_t>(got)}))
      HandOver(line);
  }
}

// Waits until the user-interface thread has processed the line, or until Stop: Stop may be
// running on that very thread, joining this one, so the wait must not outlast it.
void TWinLircThread::HandOver(const std::string &line) {
  if (stopping_)
    return;
  auto done = std::make_shared<bool>(false);
  ui_.Post([handOff = handOff_, done, line] {
    if (!handOff->process)
      return;
    {
      std::lock_guard lock(handOff->mutex);
      if (handOff->stopped)
        return;
    }
    handOff->process(line);
    {
      std::lock_guard lock(handOff->mutex);
      *done = true;
    }
    handOff->processed.notify_all();
  });
  std::unique_lock lock(handOff_->mutex);
  handOff_->processed.wait(lock, [&] { return *done || handOff_->stopped; });
}

void TWinLircThread::CloseSocket() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
}

void TWinLircThread::Pause(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, wait, [this] { return stopping_.load(); });
}

} // namespace qev::ui
