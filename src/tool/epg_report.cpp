#include "tool/epg_report.h"

#include "guide/epg_content.h"

#include <fmt/format.h>

#include <algorithm>
#include <ctime>
#include <set>
#include <tuple>

namespace qev::tool {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at `i` (shortest form, no surrogates, at most
// U+10FFFF), 0 when the bytes there are not one.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80)
    return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else
    return 0;
  if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
    return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
      return 0;
  return length;
}

bool XmlForbidden(std::string_view s, std::size_t i, std::size_t length) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (length == 1)
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
  // U+FFFE and U+FFFF are not characters XML takes.
  return length == 3 && s.substr(i, 3) >= "\xEF\xBF\xBE";
}

std::string UtcText(std::int64_t utcSeconds, const char *format) {
  const std::time_t t = static_cast<std::time_t>(utcSeconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}

std::string Lower(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The items' lines ("\r"-ended) as lines of their own.
std::string ItemLines(const std::string &items) {
  std::string lines = items;
  std::ranges::replace(lines, '\r', '\n');
  while (!lines.empty() && lines.back() == '\n')
    lines.pop_back();
  return lines;
}

// The description XMLTV shows: the short text, the extended text and the items, a paragraph each.
std::string Description(const guide::TEpgEvent &e) {
  std::string desc;
  for (const std::string &part : {e.ShortText, e.ExtendedText, ItemLines(e.Items)})
    if (!part.empty())
      desc += (desc.empty() ? "" : "\n") + part;
  return desc;
}

std::string ChannelId(const guide::TEpgEvent &e) {
  return fmt::format("{}.{}.{}.dvb", e.ServiceId, e.TransportStreamId, e.OriginalNetworkId);
}

std::string LangAttribute(const guide::TEpgEvent &e) {
  return e.Language.empty() ? "" : " lang=\"" + XmlEscape(Lower(e.Language)) + "\"";
}

void WriteChannels(std::ostream &out, const std::vector<guide::TEpgEvent> &events,
                   const TEpgChannelNames &names) {
  std::set<std::string> written;
  for (const guide::TEpgEvent &e : events) {
    const std::string id = ChannelId(e);
    if (!written.insert(id).second)
      continue;
    const auto name = names.find(EpgChannelKey(e.TransportStreamId, e.ServiceId));
    out << "  <channel id=\"" << XmlEscape(id) << "\">\n    <display-name>"
        << XmlEscape(name != names.end() && !name->second.empty() ? name->second : id)
        << "</display-name>\n  </channel>\n";
  }
}

void WriteProgramme(std::ostream &out, const guide::TEpgEvent &e) {
  const std::string lang = LangAttribute(e);
  out << "  <programme start=\"" << XmltvTime(e.StartTime) << "\" stop=\""
      << XmltvTime(std::int64_t{e.StartTime} + e.Duration) << "\" channel=\""
      << XmlEscape(ChannelId(e)) << "\">\n";
  // A title is required: an event without a name still gets one.
  out << "    <title" << lang << ">" << XmlEscape(e.Name.empty() ? "?" : e.Name) << "</title>\n";
  if (const std::string desc = Description(e); !desc.empty())
    out << "    <desc" << lang << ">" << XmlEscape(desc) << "</desc>\n";
  if (e.Content != 0)
    out << "    <category lang=\"en\">" << XmlEscape(guide::EpgContentText(e.Content))
        << "</category>\n";
  if (e.MinAge != 0)
    out << "    <rating system=\"DVB\">\n      <value>" << int{e.MinAge}
        << "</value>\n    </rating>\n";
  out << "  </programme>\n";
}

} // namespace

std::string CleanText(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) {
      clean += kReplacement;
      ++i;
      continue;
    }
    if (!XmlForbidden(text, i, length))
      clean += text.substr(i, length);
    i += length;
  }
  return clean;
}

std::string XmlEscape(std::string_view text) {
  std::string escaped;
  for (const char c : CleanText(text)) {
    switch (c) {
    case '&':
      escaped += "&amp;";
      break;
    case '<':
      escaped += "&lt;";
      break;
    case '>':
      escaped += "&gt;";
      break;
    case '"':
      escaped += "&quot;";
      break;
    case '\'':
      escaped += "&apos;";
      break;
    case '\r': // a bare carriage return would read back as a line feed
      escaped += "&#13;";
      break;
    default:
      escaped += c;
    }
  }
  return escaped;
}

std::string IsoUtc(std::int64_t utcSeconds) { return UtcText(utcSeconds, "%Y-%m-%dT%H:%M:%SZ"); }

std::string XmltvTime(std::int64_t utcSeconds) { return UtcText(utcSeconds, "%Y%m%d%H%M%S +0000"); }

TEpgReport::TEpgReport(std::vector<guide::TEpgEvent> events) : events_(std::move(events)) {
  std::ranges::sort(events_, {}, [](const guide::TEpgEvent &e) {
    return std::tuple(e.OriginalNetworkId, e.TransportStreamId, e.ServiceId, e.StartTime,
                      e.EventId);
  });
}

void TEpgReport::WriteText(std::ostream &out) const {
  for (const guide::TEpgEvent &e : events_)
    out << fmt::format("{}.{}.{} {} {:>5}s #{} {}{}\n", e.OriginalNetworkId, e.TransportStreamId,
                       e.ServiceId, IsoUtc(e.StartTime), e.Duration, e.EventId, CleanText(e.Name),
                       e.ShortText.empty() ? "" : " - " + CleanText(e.ShortText));
}

nlohmann::ordered_json TEpgReport::Json() const {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const guide::TEpgEvent &e : events_)
    list.push_back({{"onid", e.OriginalNetworkId},
                    {"tsid", e.TransportStreamId},
                    {"sid", e.ServiceId},
                    {"event_id", e.EventId},
                    {"start", IsoUtc(e.StartTime)},
                    {"duration", e.Duration},
                    {"name", CleanText(e.Name)},
                    {"text", CleanText(e.ShortText)},
                    {"items", CleanText(e.Items)},
                    {"extended", CleanText(e.ExtendedText)},
                    {"language", CleanText(e.Language)},
                    {"content", e.Content == 0 ? "" : guide::EpgContentText(e.Content)},
                    {"age", e.MinAge}});
  return list;
}

void TEpgReport::WriteXmltv(std::ostream &out, const TEpgChannelNames &names) const {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
         "<tv generator-info-name=\"qevtool\">\n";
  WriteChannels(out, events_, names);
  for (const guide::TEpgEvent &e : events_)
    WriteProgramme(out, e);
  out << "</tv>\n";
}

} // namespace qev::tool
