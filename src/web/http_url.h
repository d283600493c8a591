#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qev::web {

// The parts of an address as the client uses them. Port is "80" when the address names none,
// Path "/" when it has none; Path keeps the parameters ("?...").
struct THttpUrl {
  std::string Scheme, User, Password, Host, Port, Path;
};

// "scheme://[user[:password]@]host[:port][/path]"; an IPv6 host is written in brackets and
// kept without them. Nothing when the text has no host.
std::optional<THttpUrl> SplitUrl(std::string_view address);

// An address must not carry blanks or control characters: they would end the request line
// early or start a header of their own.
bool SafeUrlText(std::string_view text);
// A header value must not carry CR, LF or other control characters (a tab is allowed).
bool SafeHeaderText(std::string_view text);

// "host" or "[v6:host]".
std::string HostForHeader(const std::string &host);

std::string Base64(std::string_view bytes);

} // namespace qev::web
