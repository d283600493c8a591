#pragma once

#include "teletext/ttx_page.h"

#include <string>

namespace qev::teletext {

// What lies under the pointer on a page: a page number to go to or a text to open.
struct TTtxLink {
  int Page = 0;     // 100..900, or 0
  std::string Text; // a web or mail address as written on the page, or empty

  bool Empty() const { return Page == 0 && Text.empty(); }
  bool operator==(const TTtxLink &) const = default;
};

// The link at a cell: a run of digits naming a page, an address-like word in rows 1..23, or the
// colour link of row 24 (red, green, yellow, cyan select LinkPage 0..3).
TTtxLink LinkAt(const TtxPageBuffer &page, int column, int row);

// What the link indicator shows: the page number, or "LINK" for a text.
std::string LinkCaption(const TTtxLink &link);

// The address to open for a text link: "mailto:" + text when it holds "@", else "http://" + text
// unless it already holds "HTTP://" (any case). The text is trimmed first.
std::string LinkUrl(const std::string &text);

// Broadcast text must never start anything but a web page or a mail: only http, https and
// mailto addresses without control characters or spaces may be handed to the desktop.
bool IsOpenableUrl(const std::string &url);

} // namespace qev::teletext
