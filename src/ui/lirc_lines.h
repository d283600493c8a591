#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::ui {

// One button as a remote-control server reports it: "<code> <repeat> <button> <remote>".
struct TLircButton {
  std::string Code;
  int Repeat = -1; // the second part read as hexadecimal, -1 when unreadable
  std::string Button;
  std::string Remote;
};

// The parts of a line split at single blanks; nothing for a line with fewer than three parts.
std::optional<TLircButton> ParseLircLine(std::string_view line);

// Where the server is: a UNIX socket path (a text starting with "/"), else host and port split
// at the first ":", both trimmed. A port that is not a number from 1 to 65535 gives port 0.
struct TLircAddress {
  std::string Path;
  std::string Host;
  int Port = 0;
  bool operator==(const TLircAddress &) const = default;
};
TLircAddress ParseLircAddress(std::string_view hostPort);

// Turns the server's lines into button presses on the user-interface thread. The server's
// reply and broadcast blocks (BEGIN ... END, such as the SIGHUP of a reload) and lines with
// fewer than three parts are no buttons. A button that follows the last accepted one by less
// than the anti-repeat interval, counted from the end of that one's handling, is dropped.
class TLircLineProcessor {
public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Handler = std::function<void(const std::string &button, int repeat)>;

  explicit TLircLineProcessor(Clock clock = &std::chrono::steady_clock::now)
      : clock_(std::move(clock)) {}

  // True when the line reached the handler.
  bool Process(std::string_view line, std::chrono::milliseconds antiRepeat, const Handler &handler);

private:
  // True when the line belongs to a block (its BEGIN and END included).
  bool InBlock(std::string_view line);

  Clock clock_;
  bool inBlock_ = false;
  std::optional<std::chrono::steady_clock::time_point> lastAccepted_;
};

// Cuts the bytes of a stream into lines ending in CR, LF or CR LF; empty lines are dropped. A
// line longer than the longest is dropped whole, so a server that never ends a line cannot
// make the reader grow without bound.
class TLineSplitter {
public:
  static constexpr std::size_t kLongestLine = 1024;
  std::vector<std::string> Feed(std::string_view bytes);

private:
  std::string line_;
  bool afterCr_ = false;
  bool overflow_ = false;
};

// The waits between failed connection attempts: the first wait, doubled after each further
// failure up to the longest; a success starts again from the first.
class TRetryBackOff {
public:
  TRetryBackOff(std::chrono::milliseconds first, std::chrono::milliseconds longest)
      : first_(first), longest_(longest), next_(first) {}
  std::chrono::milliseconds Next();
  void Reset() { next_ = first_; }

private:
  std::chrono::milliseconds first_;
  std::chrono::milliseconds longest_;
  std::chrono::milliseconds next_;
};

} // namespace qev::ui
