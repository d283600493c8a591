#pragma once

#include "web/http_reader.h"

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>

struct addrinfo;

namespace qev::web {

// One TCP connection for one request. Every wait is bounded by the time-out of a single
// operation, by the deadline of the whole transfer and by the stop flag, which another thread
// may set at any time.
class THttpSocket : public THttpInput {
public:
  using TClock = std::chrono::steady_clock;
  THttpSocket(const std::atomic<bool> &stop, std::chrono::milliseconds timeout,
              TClock::time_point deadline);
  ~THttpSocket() override;
  THttpSocket(const THttpSocket &) = delete;
  THttpSocket &operator=(const THttpSocket &) = delete;

  bool Resolve(const std::string &host, const std::string &port, THttpError &error);
  // Binds to bindAddress (empty: any) and connects to the resolved address.
  bool Connect(const std::string &bindAddress, THttpError &error);
  bool Send(std::string_view data, THttpError &error);
  TReceive Receive(char *buffer, std::size_t size, std::size_t &got, THttpError &error) override;

private:
  // Waits until the socket is ready for events; false with the reason when it is not.
  bool Wait(short events, THttpError &error);
  bool ConnectTo(const addrinfo &target, const std::string &bindAddress, THttpError &error);
  bool Bind(const addrinfo &target, const std::string &bindAddress, THttpError &error);

  const std::atomic<bool> &stop_;
  std::chrono::milliseconds timeout_;
  TClock::time_point deadline_;
  addrinfo *resolved_ = nullptr;
  int fd_ = -1;
};

// The text of an errno value.
THttpError SystemError(int code);

} // namespace qev::web
