#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace qev::test {

// A one-connection HTTP server on 127.0.0.1 and a free port, on a thread of its own. It reads
// the request up to its empty line, keeps it, and hands the connection to the script, which
// answers as a good or a hostile server would. The destructor stops the script and joins.
class TTestHttpServer {
public:
  class TConnection {
  public:
    TConnection(int fd, const std::atomic<bool> &stop) : fd_(fd), stop_(stop) {}
    // False once the client has gone or the server is stopping.
    bool Send(std::string_view data) {
      while (!data.empty()) {
        if (stop_.load())
          return false;
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0)
          return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
      }
      return true;
    }
    bool Stopping() const { return stop_.load(); }
    // Ends the connection with a reset instead of an orderly close.
    void Reset() {
      linger hard{1, 0};
      ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    void Pause(int ms) {
      for (int i = 0; i < ms && !stop_.load(); i += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

  private:
    int fd_;
    const std::atomic<bool> &stop_;
  };
  using TScript = std::function<void(TConnection &)>;

  // Without readRequest the script starts at once, before anything was read.
  explicit TTestHttpServer(TScript script, bool readRequest = true)
      : script_(std::move(script)), readRequest_(readRequest) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(listen_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listen_, reinterpret_cast<sockaddr *>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TTestHttpServer() {
    stop_.store(true);
    thread_.join();
    ::close(listen_);
  }

  int Port() const { return port_; }
  std::string Url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }
  std::string Request() {
    std::lock_guard lock(mutex_);
    return request_;
  }

private:
  void Serve() {
    pollfd entry{listen_, POLLIN, 0};
    while (!stop_.load() && ::poll(&entry, 1, 10) <= 0) {
    }
    if (stop_.load())
      return;
    const int fd = ::accept(listen_, nullptr, nullptr);
    if (fd < 0)
      return;
    if (readRequest_)
      ReadRequest(fd);
    TConnection connection(fd, stop_);
    script_(connection);
    ::close(fd);
  }

  void ReadRequest(int fd) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd entry{fd, POLLIN, 0};
      if (stop_.load())
        break;
      if (::poll(&entry, 1, 10) <= 0)
        continue;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0)
        break;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    std::lock_guard lock(mutex_);
    request_ = request;
  }

  TScript script_;
  bool readRequest_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};

} // namespace qev::test
