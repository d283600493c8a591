// Any bytes a server may send, delivered in pieces of a size the first byte chooses, then an
// orderly close: the response reader must stay within its limits and call nothing complete
// that is not a whole 200 body.

#include "web/http_response.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

class TPiecesInput : public qev::web::THttpInput {
public:
  TPiecesInput(const std::uint8_t *data, std::size_t size, std::size_t piece)
      : data_(data), size_(size), piece_(piece) {}
  qev::web::TReceive Receive(char *buffer, std::size_t size, std::size_t &got,
                             qev::web::THttpError &) override {
    if (at_ == size_)
      return qev::web::TReceive::Closed;
    got = std::min({size, piece_, size_ - at_});
    std::memcpy(buffer, data_ + at_, got);
    at_ += got;
    return qev::web::TReceive::Data;
  }

private:
  const std::uint8_t *data_;
  std::size_t size_, piece_, at_ = 0;
};

void Require(bool holds, const char *what) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qev::web;
  if (size < 1)
    return 0;
  THttpLimits limits;
  limits.MaxLine = 256;
  limits.MaxHeaders = 8;
  limits.MaxBlankLines = 4;
  limits.MaxChunk = limits.MaxBody = 4096;
  TPiecesInput input(data + 1, size - 1, 1 + data[0] % 64);
  THttpReader reader(input, limits);
  std::stringstream out;
  const THttpResponse response = ReadResponse(reader, out);
  Require(static_cast<int>(response.Headers.size()) <= limits.MaxHeaders, "header count");
  Require(out.str().size() <= static_cast<std::size_t>(limits.MaxBody) + limits.MaxLine + 2,
          "body size");
  Require(!response.Complete || (response.Code == 200 && response.Error.Code == 0),
          "complete only for a whole 200 body");
  return 0;
}
