#include "guide/eit_parser.h"

#include "data/code_tables.h"
#include "data/si_text.h"
#include "guide/epg_store.h"

#include <string_view>

namespace qev::guide {

namespace {

constexpr std::size_t kEventHeader = 12;
constexpr std::size_t kEventLoopStart = 14;
constexpr unsigned kMinSectionLength = 16;
// The largest section_length an EIT section may carry.
constexpr unsigned kMaxSectionLength = 4093;
constexpr std::uint32_t kMjdOf1970 = 40587;

constexpr std::uint8_t kTagShortEvent = 0x4D;
constexpr std::uint8_t kTagExtendedEvent = 0x4E;
constexpr std::uint8_t kTagContent = 0x54;
constexpr std::uint8_t kTagParentalRating = 0x55;

unsigned Bcd(std::uint8_t b) { return (b >> 4) * 10u + (b & 0x0F); }
std::uint16_t Word(const std::uint8_t *p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

bool IsEitTable(std::uint8_t tableId) { return tableId >= 0x4E && tableId <= 0x6F; }

// One event's descriptor loop. Every read stays inside it, and the loop lies inside the section.
class TDescriptorLoop {
public:
  explicit TDescriptorLoop(std::span<const std::uint8_t> loop) : loop_(loop) {}

  // Calls visit(tag, pos, len) for each descriptor whose body fits the loop; a descriptor of
  // length 0 or running past the loop ends it.
  template <typename Visit> void ForEach(Visit &&visit) const {
    const std::size_t size = loop_.size();
    std::size_t pos = 0;
    while (pos + 1 < size) {
      const std::size_t len = loop_[pos + 1];
      if (len == 0 || len + 2 > size - pos)
        return;
      visit(loop_[pos], pos, len);
      pos += len + 2;
    }
  }

  std::uint8_t At(std::size_t pos) const { return pos < loop_.size() ? loop_[pos] : 0; }

  // The length-prefixed string whose length byte stands at pos, read no further than the loop
  // ends; empty when pos lies outside.
  std::string Text(std::size_t pos) const {
    if (pos >= loop_.size())
      return {};
    return data::DecodeSiText(loop_.subspan(pos), loop_.size() - pos - 1);
  }
  // The position after the string whose length byte stands at pos.
  std::size_t After(std::size_t pos) const { return pos + 1 + At(pos); }

  std::string Language(std::size_t pos) const {
    const char code[3] = {static_cast<char>(At(pos)), static_cast<char>(At(pos + 1)),
                          static_cast<char>(At(pos + 2))};
    return data::NormLang(code);
  }

  // The language of the first short event descriptor, which is the one the event takes.
  std::string ShortEventLanguage() const {
    std::string language;
    bool found = false;
    ForEach([&](std::uint8_t tag, std::size_t pos, std::size_t len) {
      if (!found && tag == kTagShortEvent && len > 3) {
        language = Language(pos + 2);
        found = true;
      }
    });
    return language;
  }

private:
  std::span<const std::uint8_t> loop_;
};

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Fills an event from its descriptors: the first short event, the items of every extended
// event, the extended text in the event's language, the first content pair and the rating.
class TEventDescriptors {
public:
  TEventDescriptors(const TDescriptorLoop &loop, TEpgEvent &event)
      : loop_(loop), event_(event), eventLanguage_(loop.ShortEventLanguage()) {}

  void Parse() {
    loop_.ForEach([this](std::uint8_t tag, std::size_t pos, std::size_t len) {
      if (tag == kTagShortEvent && len > 3)
        ShortEvent(pos);
      else if (tag == kTagExtendedEvent && len > 4)
        ExtendedEvent(pos);
      else if (tag == kTagContent && len > 1)
        event_.Content = loop_.At(pos + 2);
      else if (tag == kTagParentalRating && len > 3)
        ParentalRating(loop_.At(pos + 5));
    });
  }

private:
  void ShortEvent(std::size_t pos) {
    if (event_.HasShortEvent)
      return;
    event_.HasShortEvent = true;
    event_.Language = loop_.Language(pos + 2);
    const std::size_t name = pos + 5;
    event_.Name = loop_.Text(name);
    event_.ShortText = loop_.Text(loop_.After(name));
  }

  void ExtendedEvent(std::size_t pos) {
    const std::string language = loop_.Language(pos + 3);
    const std::size_t itemsLength = loop_.At(pos + 6);
    const std::size_t items = pos + 7;
    AppendItems(items, itemsLength);
    if (extendedTaken_ && language != eventLanguage_)
      return;
    std::string text = loop_.Text(items + itemsLength);
    if (extendedTaken_ && language == extendedLanguage_)
      event_.ExtendedText += text;
    else
      event_.ExtendedText = std::move(text);
    extendedTaken_ = true;
    extendedLanguage_ = language;
  }

  // Items as "description:text" lines, each ended by a carriage return; an empty description
  // leaves the text alone.
  void AppendItems(std::size_t items, std::size_t length) {
    std::size_t i = 0;
    while (i + 1 < length) {
      const std::size_t description = items + i;
      std::string line(TrimBlanks(loop_.Text(description)));
      if (!line.empty())
        line += ':';
      i = loop_.After(description) - items;
      if (i + 1 < length) {
        line += loop_.Text(items + i);
        i = loop_.After(items + i) - items;
      }
      if (!line.empty())
        event_.Items += line + '\r';
    }
  }

  void ParentalRating(std::uint8_t rating) {
    if (rating >= 0x01 && rating <= 0x0F)
      event_.MinAge = static_cast<std::uint8_t>(rating + 3);
  }

  const TDescriptorLoop &loop_;
  TEpgEvent &event_;
  const std::string eventLanguage_;
  bool extendedTaken_ = false;
  std::string extendedLanguage_;
};

struct TSectionIds {
  std::uint16_t ServiceId, TransportStreamId, OriginalNetworkId;
};

// One event at the start of rest; the number of bytes it spans, or 0 when its header or
// descriptor loop does not fit, which ends the section.
std::size_t ParseEvent(std::span<const std::uint8_t> rest, const TSectionIds &ids, TEpgStore &store,
                       TEitParseResult &result) {
  if (rest.size() < kEventHeader)
    return 0;
  const std::uint8_t *head = rest.data();
  const std::size_t loopLength = Word(head + 10) & 0x0FFF;
  if (loopLength > rest.size() - kEventHeader)
    return 0;
  const std::size_t span = kEventHeader + loopLength;
  const std::uint32_t start = EitStartTime(head + 2);
  if (start == 0)
    return span;
  const std::uint16_t eventId = Word(head);
  if (store.Contains(ids.OriginalNetworkId, ids.ServiceId, eventId)) {
    ++result.Repeats;
    return span;
  }
  TEpgEvent event;
  event.OriginalNetworkId = ids.OriginalNetworkId;
  event.TransportStreamId = ids.TransportStreamId;
  event.ServiceId = ids.ServiceId;
  event.EventId = eventId;
  event.StartTime = start;
  event.Duration = EitDuration(head + 7);
  const TDescriptorLoop loop(rest.subspan(kEventHeader, loopLength));
  TEventDescriptors(loop, event).Parse();
  if (store.Insert(std::move(event)))
    ++result.Stored;
  else
    ++result.Repeats;
  return span;
}

} // namespace

std::uint32_t EitStartTime(const std::uint8_t mjdBcd[5]) {
  const std::uint32_t mjd = Word(mjdBcd);
  if (mjd == 0 || mjd == 0xFFFF || mjd < kMjdOf1970)
    return 0;
  return (mjd - kMjdOf1970) * 86400u + EitDuration(mjdBcd + 2);
}

std::uint32_t EitDuration(const std::uint8_t bcd[3]) {
  return Bcd(bcd[0]) * 3600u + Bcd(bcd[1]) * 60u + Bcd(bcd[2]);
}

TEitParseResult ParseEitSection(std::span<const std::uint8_t> section, TEpgStore &store) {
  TEitParseResult result;
  result.Dropped = true;
  if (section.size() < kEventLoopStart || !IsEitTable(section[0]) || !(section[1] & 0x80))
    return result;
  const unsigned sectionLength = Word(section.data() + 1) & 0x0FFF;
  if (sectionLength < kMinSectionLength || sectionLength > kMaxSectionLength)
    return result;
  const TSectionIds ids{Word(section.data() + 3), Word(section.data() + 8),
                        Word(section.data() + 10)};
  if (ids.ServiceId == 0)
    return result;
  result.Dropped = false;
  // The events end where the CRC begins, and never past the bytes actually given.
  const std::size_t loopEnd = std::min<std::size_t>(3 + sectionLength - 4, section.size());
  std::span<const std::uint8_t> rest = section.subspan(kEventLoopStart, loopEnd - kEventLoopStart);
  while (!rest.empty()) {
    const std::size_t span = ParseEvent(rest, ids, store, result);
    if (span == 0)
      break;
    rest = rest.subspan(span);
  }
  return result;
}

} // namespace qev::guide
