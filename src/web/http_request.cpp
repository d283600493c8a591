#include "web/http_request.h"

#include <algorithm>

namespace qev::web {

namespace {

std::string RangeLine(std::int64_t start, std::int64_t end) {
  std::string line = "Range: bytes=" + std::to_string(start) + "-";
  if (end >= start)
    line += std::to_string(end);
  return line;
}

std::string CookieLine(const THttpCookies &cookies) {
  std::string line = "Cookie: ";
  for (std::size_t i = 0; i < cookies.size(); ++i)
    line += (i > 0 ? "; " : "") + cookies[i].first + "=" + cookies[i].second;
  return line;
}

std::string RequestTarget(const THttpUrl &url, bool throughProxy) {
  std::string target = url.Path;
  if (throughProxy)
    target = url.Scheme + "://" + HostForHeader(url.Host) + ":" + url.Port + url.Path;
  return target == "/*" ? "*" : target;
}

} // namespace

std::vector<std::string> BuildRequestLines(const THttpUrl &url,
                                           const THttpRequestSettings &settings) {
  // Listed in the order they are sent; each is written in front of the ones after it.
  std::vector<std::string> lines;
  const bool proxy = !settings.ProxyHost.empty();
  lines.push_back("GET " + RequestTarget(url, proxy) + " HTTP/1.0");
  std::string host = "Host: " + HostForHeader(url.Host);
  if (url.Port != "80")
    host += ":" + url.Port;
  lines.push_back(host);
  if (proxy && !settings.ProxyUser.empty())
    lines.push_back("Proxy-Authorization: Basic " +
                    Base64(settings.ProxyUser + ":" + settings.ProxyPass));
  const bool ownUser = !url.User.empty();
  const std::string &user = ownUser ? url.User : settings.UserName;
  const std::string &password = ownUser ? url.Password : settings.Password;
  if (!user.empty())
    lines.push_back("Authorization: Basic " + Base64(user + ":" + password));
  lines.push_back("Connection: close");
  if (!settings.Cookies.empty())
    lines.push_back(CookieLine(settings.Cookies));
  if (settings.RangeStart > 0)
    lines.push_back(RangeLine(settings.RangeStart, settings.RangeEnd));
  if (!settings.UserAgent.empty())
    lines.push_back("User-Agent: " + settings.UserAgent);
  lines.insert(lines.end(), settings.Extra.begin(), settings.Extra.end());
  return lines;
}

std::string JoinRequest(const std::vector<std::string> &lines) {
  std::string block;
  for (const std::string &line : lines)
    block += line + "\r\n";
  if (lines.empty() || !lines.back().empty())
    block += "\r\n";
  return block;
}

bool SafeRequestLines(const std::vector<std::string> &lines) {
  return std::all_of(lines.begin(), lines.end(),
                     [](const std::string &line) { return SafeHeaderText(line); });
}

} // namespace qev::web
