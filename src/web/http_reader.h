#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qev::web {

// A failure of the connection or of the response: an errno-style code and its text.
struct THttpError {
  int Code = 0;
  std::string Text;
};

// Bounds that keep a hostile or broken server from making the client allocate or loop
// without end.
struct THttpLimits {
  std::size_t MaxLine = 8 * 1024;
  std::int64_t MaxChunk = 64LL * 1024 * 1024;
  std::int64_t MaxBody = 64LL * 1024 * 1024;
  int MaxHeaders = 100;
  int MaxBlankLines = 16;
};

enum class TReceive { Data, Closed, Failed };

// Where the response bytes come from: a socket, or memory in tests and the fuzzer.
class THttpInput {
public:
  virtual ~THttpInput() = default;
  // Data with got > 0; Closed when the peer ended the connection in order; Failed with error.
  virtual TReceive Receive(char *buffer, std::size_t size, std::size_t &got, THttpError &error) = 0;
};

// Lines and counted bytes over an input, within the limits. Every failure leaves its reason
// in Error().
class THttpReader {
public:
  using TReceived = std::function<void(std::int64_t total)>;
  THttpReader(THttpInput &input, const THttpLimits &limits, TReceived received = {})
      : input_(input), limits_(limits), received_(std::move(received)) {}

  // One line without its line end (LF, with a CR before it dropped).
  bool ReadLine(std::string &line);
  // Exactly count bytes into out.
  bool ReadBytes(std::int64_t count, std::ostream &out);
  // Everything up to the peer's orderly close; a reset or time-out is a failure.
  bool ReadToClose(std::ostream &out);
  const THttpError &Error() const { return error_; }
  const THttpLimits &Limits() const { return limits_; }
  bool Fail(int code, std::string text);

private:
  // Reads more into the buffer; false when the input ended (closed says whether in order).
  bool Fill(bool &closed);
  bool Write(std::ostream &out, const char *data, std::size_t size);

  THttpInput &input_;
  THttpLimits limits_;
  TReceived received_;
  std::vector<char> buffer_;
  std::size_t start_ = 0;
  std::int64_t total_ = 0, body_ = 0;
  THttpError error_;
};

} // namespace qev::web
