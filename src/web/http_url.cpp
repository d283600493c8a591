#include "web/http_url.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qev::web {

namespace {

bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// Splits "user:password@host:port" into its parts; false without a host.
bool SplitAuthority(std::string_view authority, THttpUrl &url) {
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view credentials = authority.substr(0, at);
    const std::size_t colon = credentials.find(':');
    url.User = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos)
      url.Password = std::string(credentials.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos)
      return false;
    url.Host = std::string(authority.substr(1, close - 1));
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() == ':')
      port = rest.substr(1);
  } else {
    const std::size_t colon = authority.rfind(':');
    url.Host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos)
      port = authority.substr(colon + 1);
  }
  url.Port = port.empty() ? "80" : std::string(port);
  return !url.Host.empty();
}

} // namespace

std::optional<THttpUrl> SplitUrl(std::string_view address) {
  THttpUrl url;
  const std::size_t schemeEnd = address.find("://");
  if (schemeEnd != std::string_view::npos) {
    url.Scheme = std::string(address.substr(0, schemeEnd));
    address.remove_prefix(schemeEnd + 3);
  } else {
    url.Scheme = "http";
  }
  const std::size_t pathStart = address.find_first_of("/?");
  std::string_view authority = address.substr(0, pathStart);
  if (pathStart == std::string_view::npos)
    url.Path = "/";
  else if (address[pathStart] == '?')
    url.Path = "/" + std::string(address.substr(pathStart));
  else
    url.Path = std::string(address.substr(pathStart));
  if (!SplitAuthority(authority, url))
    return std::nullopt;
  return url;
}

bool SafeUrlText(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c == ' ' || IsControl(c); });
}

bool SafeHeaderText(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c != '\t' && IsControl(c); });
}

std::string HostForHeader(const std::string &host) {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

std::string Base64(std::string_view bytes) {
  static constexpr std::array<char, 65> kDigits{
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"};
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
    for (std::size_t k = 0; k < 4; ++k)
      out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

} // namespace qev::web
