#pragma once

#include "guide/epg_event.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qev::tool {

// Channel names by (transport stream id << 16 | service id), as the channel lists know them.
using TEpgChannelNames = std::map<std::uint32_t, std::string>;

inline std::uint32_t EpgChannelKey(std::uint16_t tsid, std::uint16_t sid) {
  return static_cast<std::uint32_t>(tsid) << 16 | sid;
}

// Valid UTF-8 without the control characters XML 1.0 forbids (tab, line feed and carriage
// return stay); an invalid byte becomes U+FFFD, so every output (text, JSON, XML) can take it.
std::string CleanText(std::string_view text);
// Text for XML content and attribute values: cleaned, with & < > " ' escaped.
std::string XmlEscape(std::string_view text);
// "2026-12-10T02:00:00Z".
std::string IsoUtc(std::int64_t utcSeconds);
// "20261210020000 +0000".
std::string XmltvTime(std::int64_t utcSeconds);

// The collected guide, sorted by (original network, transport stream, service, start), printed
// as text lines, one JSON array or one XMLTV document.
class TEpgReport {
public:
  explicit TEpgReport(std::vector<guide::TEpgEvent> events);

  const std::vector<guide::TEpgEvent> &Events() const { return events_; }
  void WriteText(std::ostream &out) const;
  nlohmann::ordered_json Json() const;
  void WriteXmltv(std::ostream &out, const TEpgChannelNames &names) const;

private:
  std::vector<guide::TEpgEvent> events_;
};

} // namespace qev::tool
