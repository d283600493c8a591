#include "ui/lirc_lines.h"

#include "frame/string_utils.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace qev::ui {

namespace {

constexpr std::size_t kMinParts = 3;

int HexOrMinusOne(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
    return -1;
  return value;
}

} // namespace

std::optional<TLircButton> ParseLircLine(std::string_view line) {
  const std::vector<std::string> parts = frame::SplitAt(line, " ");
  if (parts.size() < kMinParts)
    return std::nullopt;
  TLircButton button;
  button.Code = parts[0];
  button.Repeat = HexOrMinusOne(parts[1]);
  button.Button = parts[2];
  if (parts.size() > kMinParts)
    button.Remote = parts[3];
  return button;
}

TLircAddress ParseLircAddress(std::string_view hostPort) {
  const std::string text = frame::Trim(hostPort);
  TLircAddress address;
  if (!text.empty() && text.front() == '/') {
    address.Path = text;
    return address;
  }
  const std::size_t colon = text.find(':');
  address.Host = frame::Trim(std::string_view(text).substr(0, colon));
  if (colon == std::string::npos)
    return address;
  const std::string port = frame::Trim(std::string_view(text).substr(colon + 1));
  int value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (error == std::errc() && end == port.data() + port.size() && value > 0 && value <= 65535)
    address.Port = value;
  return address;
}

bool TLircLineProcessor::InBlock(std::string_view line) {
  if (!inBlock_ && line == "BEGIN") {
    inBlock_ = true;
    return true;
  }
  if (inBlock_ && line == "END") {
    inBlock_ = false;
    return true;
  }
  return inBlock_;
}

bool TLircLineProcessor::Process(std::string_view line, std::chrono::milliseconds antiRepeat,
                                 const Handler &handler) {
  if (InBlock(line))
    return false;
  const auto button = ParseLircLine(line);
  if (!button)
    return false;
  if (lastAccepted_ && clock_() - *lastAccepted_ < antiRepeat)
    return false;
  if (handler)
    handler(button->Button, button->Repeat);
  lastAccepted_ = clock_();
  return true;
}

std::vector<std::string> TLineSplitter::Feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (const char c : bytes) {
    const bool lf = c == '\n';
    if (lf && std::exchange(afterCr_, false))
      continue; // the LF of a CR LF
    if (c == '\r' || lf) {
      afterCr_ = c == '\r';
      if (!line_.empty())
        lines.push_back(std::exchange(line_, {}));
      overflow_ = false;
      continue;
    }
    afterCr_ = false;
    if (overflow_)
      continue;
    if (line_.size() == kLongestLine) {
      line_.clear();
      overflow_ = true;
      continue;
    }
    line_ += c;
  }
  return lines;
}

std::chrono::milliseconds TRetryBackOff::Next() {
  const std::chrono::milliseconds wait = next_;
  next_ = std::min(next_ * 2, longest_);
  return wait;
}

} // namespace qev::ui
