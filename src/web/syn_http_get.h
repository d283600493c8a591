#pragma once

#include "web/http_reader.h"
#include "web/http_request.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace qev::web {

// The progress events of a transfer, in the order they come.
enum class THttpWorkKind : int {
  Resolving = 0,  // value 0
  Connecting = 1, // value 0
  Headers = 2,    // status 200 read: the announced length, -1 when none
  Received = 3,   // the running total of bytes received
  Complete = 4,   // the body is whole: the size of the output
};
// Raised on the thread that runs HttpGet.
using THttpWorkEvent =
    std::function<void(THttpWorkKind kind, const std::string &address, std::int64_t value)>;

inline constexpr const char *kDefaultUserAgent = "Mozilla/4.0 (compatible; Synapse)";

// The system's own HTTP/1.0 GET client: one blocking request at a time over a fresh TCP
// connection. Only http is spoken; every wait is bounded by Timeout, the whole transfer by
// TransferTimeout, and HttpAbort (from any thread) ends it early.
class TSynHttpGet {
public:
  std::string TargetHost, TargetPort = "80";
  std::string IPInterface;
  int Timeout = 90000;                  // ms, each connect, send and receive
  int TransferTimeout = 15 * 60 * 1000; // ms, the whole request
  std::string UserName, Password;
  // Before the call: extra request lines; after it: the response's header lines.
  std::vector<std::string> Headers;
  THttpCookies Cookies;
  std::int64_t RangeStart = 0, RangeEnd = 0;
  std::string MimeType = "text/html";
  std::string ProxyHost, ProxyPort = "8080", ProxyUser, ProxyPass;
  std::string UserAgent = kDefaultUserAgent;
  int ResultCode = 500;
  std::string ResultString;
  THttpWorkEvent OnHttpWork;
  THttpLimits Limits;

  // True for status 200 with the whole body in out, which is then rewound to its start.
  // A failure leaves its reason in ResultCode and ResultString.
  bool HttpGet(const std::string &address, std::iostream &out);
  // Ends the transfer under way (and any later one of this object) with an error.
  void HttpAbort() { stop_.store(true); }

private:
  bool Fail(int code, std::string text);
  bool Exchange(const struct THttpUrl &url, const std::string &address, std::iostream &out);
  void Work(THttpWorkKind kind, const std::string &address, std::int64_t value);
  void CollectCookies();

  std::atomic<bool> stop_{false};
};

// Runs one HttpGet on a thread of its own, so that the thread that started it stays free to
// show progress and take the user's abort. The destructor waits for the thread.
class THttpGetThread {
public:
  THttpGetThread(TSynHttpGet &client, std::string address, std::iostream &out);
  ~THttpGetThread();
  THttpGetThread(const THttpGetThread &) = delete;
  THttpGetThread &operator=(const THttpGetThread &) = delete;

  bool Done() const { return done_.load(); }
  // Valid once Done(); an exception in the transfer counts as failure.
  bool Result() const { return result_; }
  bool Wait();

private:
  std::atomic<bool> done_{false};
  bool result_ = false;
  std::thread thread_;
};

} // namespace qev::web
