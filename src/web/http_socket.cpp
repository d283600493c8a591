#include "web/http_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace qev::web {

namespace {

constexpr int kBufferSize = 65535;
// How often a wait looks at the stop flag.
constexpr std::chrono::milliseconds kStopPoll{20};

} // namespace

THttpError SystemError(int code) { return {code, std::strerror(code)}; }

THttpSocket::THttpSocket(const std::atomic<bool> &stop, std::chrono::milliseconds timeout,
                         TClock::time_point deadline)
    : stop_(stop), timeout_(timeout), deadline_(deadline) {}

THttpSocket::~THttpSocket() {
  if (fd_ >= 0)
    ::close(fd_);
  if (resolved_)
    ::freeaddrinfo(resolved_);
}

bool THttpSocket::Resolve(const std::string &host, const std::string &port, THttpError &error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &resolved_);
  if (rc != 0) {
    resolved_ = nullptr;
    error = {rc == EAI_SYSTEM ? errno : EHOSTUNREACH,
             std::string("Cannot resolve ") + host + ": " + ::gai_strerror(rc)};
    return false;
  }
  return true;
}

bool THttpSocket::Bind(const addrinfo &target, const std::string &bindAddress, THttpError &error) {
  if (bindAddress.empty() || bindAddress == "0.0.0.0")
    return true;
  addrinfo hints{};
  hints.ai_family = target.ai_family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  addrinfo *local = nullptr;
  if (::getaddrinfo(bindAddress.c_str(), "0", &hints, &local) != 0) {
    error = {EADDRNOTAVAIL, "Cannot bind to " + bindAddress};
    return false;
  }
  const int rc = ::bind(fd_, local->ai_addr, local->ai_addrlen);
  const int code = errno;
  ::freeaddrinfo(local);
  if (rc != 0)
    error = SystemError(code);
  return rc == 0;
}

bool THttpSocket::Connect(const std::string &bindAddress, THttpError &error) {
  for (const addrinfo *target = resolved_; target; target = target->ai_next) {
    if (ConnectTo(*target, bindAddress, error))
      return true;
    if (error.Code == ECANCELED || TClock::now() >= deadline_)
      return false;
  }
  return false;
}

bool THttpSocket::ConnectTo(const addrinfo &target, const std::string &bindAddress,
                            THttpError &error) {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = ::socket(target.ai_family, target.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 target.ai_protocol);
  if (fd_ < 0) {
    error = SystemError(errno);
    return false;
  }
  const int size = kBufferSize;
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  if (!Bind(target, bindAddress, error))
    return false;
  if (::connect(fd_, target.ai_addr, target.ai_addrlen) == 0)
    return true;
  if (errno != EINPROGRESS) {
    error = SystemError(errno);
    return false;
  }
  if (!Wait(POLLOUT, error))
    return false;
  int code = 0;
  socklen_t length = sizeof code;
  ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &code, &length);
  if (code != 0)
    error = SystemError(code);
  return code == 0;
}

bool THttpSocket::Wait(short events, THttpError &error) {
  const TClock::time_point until = std::min(deadline_, TClock::now() + timeout_);
  for (;;) {
    if (stop_.load()) {
      error = {ECANCELED, "Transfer aborted"};
      return false;
    }
    const auto now = TClock::now();
    if (now >= until) {
      error = {ETIMEDOUT, until == deadline_ ? "Transfer took too long" : "Connection timed out"};
      return false;
    }
    const auto slice = std::min<std::chrono::milliseconds>(
        kStopPoll, std::chrono::ceil<std::chrono::milliseconds>(until - now));
    pollfd entry{fd_, events, 0};
    const int rc = ::poll(&entry, 1, static_cast<int>(slice.count()));
    if (rc > 0)
      return true;
    if (rc < 0 && errno != EINTR) {
      error = SystemError(errno);
      return false;
    }
  }
}

bool THttpSocket::Send(std::string_view data, THttpError &error) {
  while (!data.empty()) {
    if (!Wait(POLLOUT, error))
      return false;
    // A peer that has gone must give an error here, not a signal that ends the process.
    const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        continue;
      error = SystemError(errno);
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

TReceive THttpSocket::Receive(char *buffer, std::size_t size, std::size_t &got, THttpError &error) {
  got = 0;
  for (;;) {
    if (!Wait(POLLIN, error))
      return TReceive::Failed;
    const ssize_t n = ::recv(fd_, buffer, size, 0);
    if (n > 0) {
      got = static_cast<std::size_t>(n);
      return TReceive::Data;
    }
    if (n == 0)
      return TReceive::Closed;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
      continue;
    error = SystemError(errno);
    return TReceive::Failed;
  }
}

} // namespace qev::web
