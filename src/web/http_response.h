#pragma once

#include "web/http_reader.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qev::web {

// What was read of a response. Error.Code is 0 unless the connection failed or the response
// broke a rule or a limit; then it says why reading stopped.
struct THttpResponse {
  int Code = 500;
  std::string Text;
  std::vector<std::string> Headers;
  std::string MimeType = "text/html";
  // The body of a 200 response was read whole.
  bool Complete = false;
  THttpError Error;
};

// Reads the status line and, for status 200, the header lines and the body into out. A first
// line that is no status line goes to out followed by CR LF and leaves the code 0.
// headersRead gets the announced length (-1 when none) once the headers of a 200 are read.
THttpResponse ReadResponse(THttpReader &reader, std::ostream &out,
                           const std::function<void(std::int64_t length)> &headersRead = {});

} // namespace qev::web
