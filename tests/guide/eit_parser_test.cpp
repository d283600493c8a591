#include "guide/eit_parser.h"
#include "guide/epg_store.h"

#include "eit_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qev::guide {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes &out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutText(Bytes &out, const std::string &text) {
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

Bytes Descriptor(std::uint8_t tag, const Bytes &body) {
  Bytes out{tag, static_cast<std::uint8_t>(body.size())};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes ShortEvent(const std::string &lang, const std::string &name, const std::string &text) {
  Bytes body(lang.begin(), lang.end());
  PutText(body, name);
  PutText(body, text);
  return Descriptor(0x4D, body);
}

Bytes Extended(const std::string &lang,
               const std::vector<std::pair<std::string, std::string>> &items,
               const std::string &text) {
  Bytes body{0x00};
  body.insert(body.end(), lang.begin(), lang.end());
  Bytes itemBytes;
  for (const auto &[description, itemText] : items) {
    PutText(itemBytes, description);
    PutText(itemBytes, itemText);
  }
  body.push_back(static_cast<std::uint8_t>(itemBytes.size()));
  body.insert(body.end(), itemBytes.begin(), itemBytes.end());
  PutText(body, text);
  return Descriptor(0x4E, body);
}

Bytes Rating(std::uint8_t rating) { return Descriptor(0x55, {'G', 'B', 'R', rating}); }

Bytes Join(const std::vector<Bytes> &parts) {
  Bytes out;
  for (const Bytes &p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// 2024-01-01 = MJD 60310; 20:15:00 for 01:30:00.
Bytes EventEntry(std::uint16_t eventId, const Bytes &descriptors, std::uint16_t mjd = 60310) {
  Bytes out;
  Put16(out, eventId);
  Put16(out, mjd);
  out.insert(out.end(), {0x20, 0x15, 0x00, 0x01, 0x30, 0x00});
  Put16(out, 0x8000 | static_cast<unsigned>(descriptors.size()));
  out.insert(out.end(), descriptors.begin(), descriptors.end());
  return out;
}

constexpr std::uint32_t kStart = (60310 - 40587) * 86400u + 20 * 3600 + 15 * 60;

struct TSectionHead {
  std::uint8_t TableId = 0x4E;
  std::uint16_t ServiceId = 100;
  std::uint16_t TransportStreamId = 10;
  std::uint16_t OriginalNetworkId = 1;
};

// A whole section; section_length counts from byte 3 to the end of the CRC (whose value the
// parser leaves to the assembler, so four zero bytes do).
Bytes Section(const Bytes &events, const TSectionHead &head = {}) {
  Bytes out{head.TableId, 0, 0};
  Put16(out, head.ServiceId);
  out.insert(out.end(), {0xC1, 0x00, 0x01});
  Put16(out, head.TransportStreamId);
  Put16(out, head.OriginalNetworkId);
  out.insert(out.end(), {0x01, head.TableId});
  out.insert(out.end(), events.begin(), events.end());
  out.insert(out.end(), 4, 0);
  const std::size_t length = out.size() - 3;
  out[1] = static_cast<std::uint8_t>(0xF0 | (length >> 8));
  out[2] = static_cast<std::uint8_t>(length);
  return out;
}

void SetSectionLength(Bytes &section, unsigned length) {
  section[1] = static_cast<std::uint8_t>((section[1] & 0xF0) | (length >> 8));
  section[2] = static_cast<std::uint8_t>(length);
}

TEpgEvent OneEvent(const Bytes &descriptors) {
  TEpgStore store;
  const auto result = ParseEitSection(Section(EventEntry(1, descriptors)), store);
  EXPECT_EQ(result.Stored, 1);
  return store.Get(0).value_or(TEpgEvent{});
}

TEST(EitTime, DecodesTheMjdExampleOfTheStandard) {
  // 1993-10-13 12:45:00 is MJD 0xC079 with BCD 12 45 00.
  const std::uint8_t field[5] = {0xC0, 0x79, 0x12, 0x45, 0x00};
  EXPECT_EQ(EitStartTime(field), 750516300u);
  const std::uint8_t undefined[5] = {0xFF, 0xFF, 0x12, 0x45, 0x00};
  EXPECT_EQ(EitStartTime(undefined), 0u);
  const std::uint8_t zero[5] = {0x00, 0x00, 0x12, 0x45, 0x00};
  EXPECT_EQ(EitStartTime(zero), 0u);
  const std::uint8_t before1970[5] = {0x9E, 0x8A, 0x23, 0x59, 0x59}; // 1969-12-31
  EXPECT_EQ(EitStartTime(before1970), 0u);
  const std::uint8_t epoch[5] = {0x9E, 0x8B, 0x00, 0x00, 0x01};
  EXPECT_EQ(EitStartTime(epoch), 1u);
  const std::uint8_t duration[3] = {0x01, 0x45, 0x30};
  EXPECT_EQ(EitDuration(duration), 6330u);
}

TEST(EitParser, StoresAnEventWithItsSectionIds) {
  TEpgStore store;
  const auto result = ParseEitSection(
      Section(
          EventEntry(7, ShortEvent("deu", "Tagesschau", "Nachrichten")),
          {.TableId = 0x50, .ServiceId = 28106, .TransportStreamId = 1101, .OriginalNetworkId = 1}),
      store);
  EXPECT_FALSE(result.Dropped);
  EXPECT_EQ(result.Stored, 1);
  const auto e = store.Get(0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->EventId, 7);
  EXPECT_EQ(e->ServiceId, 28106);
  EXPECT_EQ(e->TransportStreamId, 1101);
  EXPECT_EQ(e->OriginalNetworkId, 1);
  EXPECT_EQ(e->StartTime, kStart);
  EXPECT_EQ(e->Duration, 5400u);
  EXPECT_TRUE(e->HasShortEvent);
  EXPECT_EQ(e->Language, "DEU");
  EXPECT_EQ(e->Name, "Tagesschau");
  EXPECT_EQ(e->ShortText, "Nachrichten");
}

// The copy seen first stays, across p/f and schedule tables, versions and transport streams.
TEST(EitParser, RepeatsInOtherTablesLeaveTheFirstCopy) {
  TEpgStore store;
  ParseEitSection(Section(EventEntry(7, ShortEvent("eng", "First", ""))), store);
  const auto schedule = ParseEitSection(
      Section(EventEntry(7, ShortEvent("eng", "Changed", "")), {.TableId = 0x50}), store);
  EXPECT_EQ(schedule.Repeats, 1);
  EXPECT_EQ(schedule.Stored, 0);
  ParseEitSection(Section(EventEntry(7, ShortEvent("eng", "Other TS", "")),
                          {.TableId = 0x4F, .TransportStreamId = 99}),
                  store);
  ASSERT_EQ(store.Count(), 1u);
  EXPECT_EQ(store.Get(0)->Name, "First");
  EXPECT_EQ(store.Get(0)->TransportStreamId, 10);
}

TEST(EitParser, SkipsEventsWithoutAStart) {
  TEpgStore store;
  const auto result = ParseEitSection(Section(Join({EventEntry(1, {}, 0xFFFF), EventEntry(2, {}, 0),
                                                    EventEntry(3, {}, 40000), EventEntry(4, {})})),
                                      store);
  EXPECT_EQ(result.Stored, 1);
  EXPECT_EQ(store.Get(0)->EventId, 4);
}

TEST(EitParser, DropsForeignSections) {
  TEpgStore store;
  const Bytes events = EventEntry(1, {});
  EXPECT_TRUE(ParseEitSection(Section(events, {.TableId = 0x4D}), store).Dropped);
  EXPECT_TRUE(ParseEitSection(Section(events, {.TableId = 0x70}), store).Dropped);
  EXPECT_TRUE(ParseEitSection(Section(events, {.ServiceId = 0}), store).Dropped);
  Bytes noSyntax = Section(events);
  noSyntax[1] &= 0x7F;
  EXPECT_TRUE(ParseEitSection(noSyntax, store).Dropped);
  EXPECT_FALSE(ParseEitSection(Section(events, {.TableId = 0x6F}), store).Dropped);
  EXPECT_TRUE(ParseEitSection(Bytes{0x4E, 0xF0}, store).Dropped);
  EXPECT_EQ(store.Count(), 1u);
}

TEST(EitParser, TakesTheFirstShortEventWhateverItsLanguage) {
  const TEpgEvent e = OneEvent(
      Join({ShortEvent("deu", "Krimi", "Spannend"), ShortEvent("eng", "Crime", "Thrill")}));
  EXPECT_EQ(e.Language, "DEU");
  EXPECT_EQ(e.Name, "Krimi");
  EXPECT_EQ(e.ShortText, "Spannend");
}

TEST(EitParser, JoinsExtendedTextInTheEventsLanguage) {
  const Bytes eng1 = Extended("eng", {{"Director", "A"}}, "one ");
  const Bytes eng2 = Extended("eng", {{"", "B"}}, "two");
  const Bytes deu = Extended("deu", {{" Regie ", "C"}}, "drei");
  const TEpgEvent german = OneEvent(Join({ShortEvent("deu", "n", ""), eng1, eng2, deu}));
  EXPECT_EQ(german.ExtendedText, "drei");
  EXPECT_EQ(german.Items, "Director:A\rB\rRegie:C\r");
  const TEpgEvent english = OneEvent(Join({ShortEvent("eng", "n", ""), eng1, eng2, deu}));
  EXPECT_EQ(english.ExtendedText, "one two");
  EXPECT_EQ(english.Items, german.Items);
  // The short event after its extended descriptors decides the same way.
  const TEpgEvent lateShort = OneEvent(Join({eng1, eng2, deu, ShortEvent("deu", "n", "")}));
  EXPECT_EQ(lateShort.ExtendedText, "drei");
  // Without a short event the first extended text stays.
  EXPECT_EQ(OneEvent(Join({eng1, deu})).ExtendedText, "one ");
}

TEST(EitParser, ItemsWithEmptyPartsGiveNoColonOrNoLine) {
  const TEpgEvent e = OneEvent(Extended("eng", {{"", "alone"}, {"   ", ""}, {"Cast", ""}}, ""));
  EXPECT_EQ(e.Items, "alone\rCast:\r");
}

TEST(EitParser, TakesRatingAndFirstContentPair) {
  EXPECT_EQ(OneEvent(Rating(0x00)).MinAge, 0);
  EXPECT_EQ(OneEvent(Rating(0x01)).MinAge, 4);
  EXPECT_EQ(OneEvent(Rating(0x0C)).MinAge, 15);
  EXPECT_EQ(OneEvent(Rating(0x0F)).MinAge, 18);
  EXPECT_EQ(OneEvent(Rating(0x10)).MinAge, 0);
  EXPECT_EQ(OneEvent(Descriptor(0x54, {0x43, 0x00, 0x21, 0x00})).Content, 0x43);
  EXPECT_EQ(OneEvent(Descriptor(0x54, {0x43})).Content, 0); // too short
}

TEST(EitParser, DecodesTextTables) {
  // 0x15 selects UTF-8; 0x10 00 02 selects ISO 8859-2.
  const Bytes utf8Name{0x15, 0xC3, 0xA9, 't', 0xC3, 0xA9};
  const Bytes latin2Text{0x10, 0x00, 0x02, 0xB1};
  Bytes body{'f', 'r', 'a'};
  body.push_back(static_cast<std::uint8_t>(utf8Name.size()));
  body.insert(body.end(), utf8Name.begin(), utf8Name.end());
  body.push_back(static_cast<std::uint8_t>(latin2Text.size()));
  body.insert(body.end(), latin2Text.begin(), latin2Text.end());
  const TEpgEvent e = OneEvent(Descriptor(0x4D, body));
  EXPECT_EQ(e.Name, "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(e.ShortText, "\xC4\x85");
}

TEST(EitParser, StringsNeverReachPastTheDescriptorLoop) {
  // The text's length byte claims 200 bytes; only 3 remain in the loop, then the next event.
  Bytes shortEvent{0x4D, 8, 'e', 'n', 'g', 2, 'A', 'B', 200, 'x'};
  shortEvent[1] = static_cast<std::uint8_t>(shortEvent.size() - 2);
  TEpgStore store;
  const auto result = ParseEitSection(
      Section(Join({EventEntry(1, shortEvent), EventEntry(2, ShortEvent("eng", "Next", ""))})),
      store);
  EXPECT_EQ(result.Stored, 2);
  EXPECT_EQ(store.Get(0)->Name, "AB");
  EXPECT_EQ(store.Get(0)->ShortText, "x");
  EXPECT_EQ(store.Get(1)->Name, "Next");
  // Items longer than the loop and a text beyond it.
  Bytes extended{0x4E, 0, 0x00, 'e', 'n', 'g', 250, 4, 'D', 'i', 'r', 'e'};
  extended[1] = static_cast<std::uint8_t>(extended.size() - 2);
  const TEpgEvent e = OneEvent(extended);
  EXPECT_EQ(e.Items, "Dire:\r");
  EXPECT_EQ(e.ExtendedText, "");
}

TEST(EitParser, EndsTheSectionAtAnOverrunningEvent) {
  TEpgStore store;
  Bytes overrun = EventEntry(2, {});
  overrun[10] = 0x80;
  overrun[11] = 0x40; // 64 descriptor bytes that are not there
  const Bytes section = Section(Join({EventEntry(1, {}), overrun, EventEntry(3, {})}));
  EXPECT_EQ(ParseEitSection(section, store).Stored, 1);
  // A descriptor running past its loop ends the loop, not the event.
  const TEpgEvent e = OneEvent(Join({ShortEvent("eng", "Kept", ""), Bytes{0x54, 30, 0x43}}));
  EXPECT_EQ(e.Name, "Kept");
  EXPECT_EQ(e.Content, 0);
}

TEST(EitParser, HeaderFragmentsAndTruncatedSectionsEndTheParse) {
  TEpgStore store;
  // Eleven bytes of a further event header before the CRC.
  Bytes events = EventEntry(1, {});
  events.insert(events.end(), 11, 0x01);
  EXPECT_EQ(ParseEitSection(Section(events), store).Stored, 1);
  // A section cut short of its section_length: only whole events inside the given bytes.
  Bytes cut = Section(Join({EventEntry(2, {}), EventEntry(3, ShortEvent("eng", "Long", "x"))}));
  cut.resize(14 + 12 + 12 + 5);
  EXPECT_EQ(ParseEitSection(cut, store).Stored, 1);
  EXPECT_EQ(store.Count(), 2u);
}

TEST(EitParser, SectionLengthLimits) {
  TEpgStore store;
  Bytes big = Section(EventEntry(1, {}));
  big.resize(4096, 0xFF); // 0xFF stuffing: event ids 0xFFFF with undefined starts
  SetSectionLength(big, 4093);
  EXPECT_FALSE(ParseEitSection(big, store).Dropped);
  EXPECT_EQ(store.Count(), 1u);
  for (unsigned bad : {4094u, 4095u, 15u}) {
    SetSectionLength(big, bad);
    EXPECT_TRUE(ParseEitSection(big, store).Dropped) << bad;
  }
  SetSectionLength(big, 16);
  EXPECT_FALSE(ParseEitSection(big, store).Dropped);
}

// tsgen writes the sections the air carries; what it put in comes back out.
TEST(EitParser, ReadsTheGeneratorsSections) {
  tsgen::Transponder tp;
  tp.transportStreamId = 1101;
  tp.originalNetworkId = 1;
  tsgen::Service service;
  service.serviceId = 28106;
  tsgen::Event event;
  event.eventId = 4711;
  event.start = 1'700'000'000;
  event.duration = 3600;
  event.language = "deu";
  event.name = "Tatort";
  event.shortText = "Krimi";
  event.translations.push_back({"eng", "Crime scene", "Crime"});
  event.items = {{"Regie", "X"}};
  event.extendedText = std::string(600, 'e');
  event.content = {0x11};
  event.parentalRating = 0x09;
  service.events.push_back(event);
  tp.services.push_back(service);
  const tsgen::EitBuilder builder(tp, false);
  TEpgStore store;
  for (const auto &section : builder.PresentFollowing(service, event.start + 10))
    ParseEitSection(section, store);
  for (const auto &section : builder.Schedule(service, event.start + 10))
    ParseEitSection(section, store);
  ASSERT_EQ(store.Count(), 1u);
  const TEpgEvent e = *store.Get(0);
  EXPECT_EQ(e.EventId, 4711);
  EXPECT_EQ(e.StartTime, 1'700'000'000u);
  EXPECT_EQ(e.Duration, 3600u);
  EXPECT_EQ(e.Language, "DEU");
  EXPECT_EQ(e.Name, "Tatort");
  EXPECT_EQ(e.ShortText, "Krimi");
  EXPECT_EQ(e.Items, "Regie:X\r");
  EXPECT_EQ(e.ExtendedText, event.extendedText);
  EXPECT_EQ(e.Content, 0x11);
  EXPECT_EQ(e.MinAge, 12);
}

} // namespace
} // namespace qev::guide
