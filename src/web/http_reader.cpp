#include "web/http_reader.h"

#include <algorithm>
#include <cerrno>

namespace qev::web {

namespace {

constexpr std::size_t kReceiveSize = 65535;

} // namespace

bool THttpReader::Fail(int code, std::string text) {
  error_ = {code, std::move(text)};
  return false;
}

bool THttpReader::Fill(bool &closed) {
  closed = false;
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  const std::size_t old = buffer_.size();
  buffer_.resize(old + kReceiveSize);
  std::size_t got = 0;
  const TReceive status = input_.Receive(buffer_.data() + old, kReceiveSize, got, error_);
  buffer_.resize(old + (status == TReceive::Data ? got : 0));
  if (status == TReceive::Closed) {
    closed = true;
    return false;
  }
  if (status == TReceive::Failed)
    return false;
  total_ += static_cast<std::int64_t>(got);
  if (received_)
    received_(total_);
  return true;
}

bool THttpReader::ReadLine(std::string &line) {
  std::size_t searched = 0; // bytes after start_ known to hold no line end
  for (;;) {
    const auto from = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + searched);
    const auto lf = std::find(from, buffer_.end(), '\n');
    if (lf != buffer_.end()) {
      line.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), lf);
      start_ = static_cast<std::size_t>(lf - buffer_.begin()) + 1;
      while (!line.empty() && line.back() == '\r')
        line.pop_back();
      return true;
    }
    searched = buffer_.size() - start_;
    if (searched > limits_.MaxLine)
      return Fail(EMSGSIZE, "Line too long");
    bool closed = false;
    if (!Fill(closed))
      return closed ? Fail(ECONNRESET, "Connection closed by server") : false;
  }
}

bool THttpReader::Write(std::ostream &out, const char *data, std::size_t size) {
  body_ += static_cast<std::int64_t>(size);
  if (body_ > limits_.MaxBody)
    return Fail(EFBIG, "Body too large");
  out.write(data, static_cast<std::streamsize>(size));
  if (!out)
    return Fail(EIO, "Cannot store the body");
  return true;
}

bool THttpReader::ReadBytes(std::int64_t count, std::ostream &out) {
  while (count > 0) {
    if (start_ == buffer_.size()) {
      bool closed = false;
      if (!Fill(closed))
        return closed ? Fail(ECONNRESET, "Connection closed by server") : false;
    }
    const std::size_t take =
        std::min(buffer_.size() - start_, static_cast<std::size_t>(std::min<std::int64_t>(
                                              count, static_cast<std::int64_t>(kReceiveSize))));
    if (!Write(out, buffer_.data() + start_, take))
      return false;
    start_ += take;
    count -= static_cast<std::int64_t>(take);
  }
  return true;
}

bool THttpReader::ReadToClose(std::ostream &out) {
  for (;;) {
    if (start_ < buffer_.size()) {
      if (!Write(out, buffer_.data() + start_, buffer_.size() - start_))
        return false;
      start_ = buffer_.size();
    }
    bool closed = false;
    if (!Fill(closed))
      return closed;
  }
}

} // namespace qev::web
