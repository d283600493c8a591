#pragma once

#include "web/http_url.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qev::web {

using THttpCookies = std::vector<std::pair<std::string, std::string>>;

// What a GET request is made of besides the address.
struct THttpRequestSettings {
  std::string UserName, Password;
  std::string UserAgent;
  std::int64_t RangeStart = 0, RangeEnd = 0;
  THttpCookies Cookies;
  std::string ProxyHost, ProxyPort, ProxyUser, ProxyPass;
  // The caller's own header lines, sent after the client's.
  std::vector<std::string> Extra;
};

// The header lines of the request, request line first, without the closing empty line.
std::vector<std::string> BuildRequestLines(const THttpUrl &url,
                                           const THttpRequestSettings &settings);
// The lines joined with CR LF and closed by an empty line.
std::string JoinRequest(const std::vector<std::string> &lines);
// True when no line carries CR, LF or another control character.
bool SafeRequestLines(const std::vector<std::string> &lines);

} // namespace qev::web
