#include "eit_tables.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "descriptors.h"

namespace qev::tsgen {
namespace {

constexpr std::int64_t kSegment = 3 * 3600;
constexpr int kSegmentsPerTable = 32; // four days
constexpr int kTables = 16;
constexpr std::uint8_t kScheduleActual = 0x50;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kDaysBack = 1;
constexpr std::int64_t kDaysAhead = 8; // today and seven days more
constexpr std::int64_t kRepeatIdCycle = 60;

UtcSeconds Midnight(UtcSeconds t) { return t - ((t % 86400) + 86400) % 86400; }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0); }

void SortByStart(std::vector<Event> &events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const Event &a, const Event &b) { return a.start < b.start; });
}

} // namespace

Event RepeatOf(const Event &first, std::int64_t day) {
  Event copy = first;
  copy.start += day * kDay;
  const std::int64_t cycle = ((day % kRepeatIdCycle) + kRepeatIdCycle) % kRepeatIdCycle;
  copy.eventId = static_cast<std::uint16_t>(first.eventId + cycle * 1000);
  copy.repeatDays = 0;
  copy.repeatCopy = day != 0;
  return copy;
}

std::vector<Event> EitBuilder::Events(const Service &service, UtcSeconds now) const {
  std::vector<Event> events;
  if (!endless_) {
    events = service.events;
    SortByStart(events);
    return events;
  }
  const UtcSeconds from = Midnight(now) - kDaysBack * kDay;
  const UtcSeconds to = Midnight(now) + kDaysAhead * kDay;
  for (const Event &event : service.events) {
    if (event.repeatCopy) {
      continue;
    }
    if (event.repeatDays == 0) {
      events.push_back(event);
      continue;
    }
    const std::int64_t last = FloorDiv(to - event.start, kDay);
    for (std::int64_t day = FloorDiv(from - event.start - event.duration, kDay); day <= last;
         ++day) {
      const Event copy = RepeatOf(event, day);
      if (copy.start < to && copy.start + copy.duration > from) {
        events.push_back(copy);
      }
    }
  }
  SortByStart(events);
  return events;
}

Bytes EitBuilder::EventEntry(const Service &service, const Event &event, UtcSeconds now) const {
  ByteWriter out;
  out.Put16(event.eventId);
  descriptor::PutEventTimes(out, event);
  const bool onAir = event.start <= now && now < event.start + event.duration;
  const auto loop = out.BeginLength(12, (onAir ? 4 : 1) << 1 | (service.ca.empty() ? 0 : 1));
  descriptor::ShortEvents(out, event, service.charset);
  descriptor::ExtendedEvents(out, event, service.charset);
  descriptor::Content(out, event.content);
  if (event.parentalRating) {
    descriptor::ParentalRating(out, event.ratingCountry, *event.parentalRating);
  }
  out.EndLength(loop);
  return out.Take();
}

Bytes EitBuilder::Section(const SectionId &id, std::uint8_t segmentLast, std::uint8_t lastTable,
                          const Bytes &events) const {
  return Section({id.tableId, tp_.transportStreamId, tp_.originalNetworkId}, id, segmentLast,
                 lastTable, events);
}

Bytes EitBuilder::Section(const Origin &origin, const SectionId &id, std::uint8_t segmentLast,
                          std::uint8_t lastTable, const Bytes &events) {
  ByteWriter body;
  body.Put16(origin.transportStreamId);
  body.Put16(origin.originalNetworkId);
  body.Put8(segmentLast);
  body.Put8(lastTable);
  body.PutBytes(events);
  return LongSection(id, body.Data(), true);
}

std::vector<Bytes> EitBuilder::PresentFollowing(const Service &service, UtcSeconds now) const {
  return PresentFollowingOf({0x4E, tp_.transportStreamId, tp_.originalNetworkId}, service, now);
}

std::vector<Bytes> EitBuilder::PresentFollowingOther(const OtherTransport &other,
                                                     const Service &service, UtcSeconds now) const {
  return PresentFollowingOf({0x4F, other.transportStreamId, other.originalNetworkId}, service, now);
}

std::vector<Bytes> EitBuilder::PresentFollowingOf(const Origin &origin, const Service &service,
                                                  UtcSeconds now) const {
  const auto events = Events(service, now);
  const auto present = std::find_if(events.begin(), events.end(), [now](const Event &e) {
    return e.start <= now && now < e.start + e.duration;
  });
  const auto following =
      std::find_if(events.begin(), events.end(), [now](const Event &e) { return e.start > now; });
  std::vector<Bytes> sections;
  for (std::uint8_t n = 0; n < 2; ++n) {
    const auto it = n == 0 ? present : following;
    const Bytes entry = it == events.end() ? Bytes{} : EventEntry(service, *it, now);
    const SectionId id{
        .tableId = origin.tableId, .extension = service.serviceId, .number = n, .lastNumber = 1};
    sections.push_back(Section(origin, id, 1, origin.tableId, entry));
  }
  return sections;
}

std::vector<Bytes> EitBuilder::Schedule(const Service &service, UtcSeconds now) const {
  const UtcSeconds day0 = Midnight(now);
  // Segment number → its event entries, then → the section bodies they fill.
  std::map<int, std::vector<Bytes>> entries;
  std::map<int, std::vector<Bytes>> segments;
  for (const Event &event : Events(service, now)) {
    if (event.start + event.duration <= day0) {
      continue;
    }
    const auto segment = static_cast<int>(std::max<std::int64_t>(0, event.start - day0) / kSegment);
    if (segment < kTables * kSegmentsPerTable) {
      entries[segment].push_back(EventEntry(service, event, now));
    }
  }
  for (auto &[segment, list] : entries) {
    segments[segment] = GroupEntries(list, kMaxEitBody - 6);
    if (segments[segment].size() > 8) {
      throw std::length_error("more events in three hours than eight EIT sections hold");
    }
  }
  std::vector<Bytes> sections;
  if (segments.empty()) {
    return sections;
  }
  const int lastSegment = segments.rbegin()->first;
  const auto lastTable =
      static_cast<std::uint8_t>(kScheduleActual + lastSegment / kSegmentsPerTable);
  for (int table = 0; table <= lastSegment / kSegmentsPerTable; ++table) {
    const int first = table * kSegmentsPerTable;
    const int last = std::min(lastSegment, first + kSegmentsPerTable - 1);
    const auto lastOf = [&](int segment) {
      const auto it = segments.find(segment);
      const std::size_t count = it == segments.end() ? 1 : it->second.size();
      return static_cast<std::uint8_t>((segment - first) * 8 + count - 1);
    };
    for (int segment = first; segment <= last; ++segment) {
      const auto it = segments.find(segment);
      const std::vector<Bytes> bodies = it == segments.end() ? std::vector<Bytes>{{}} : it->second;
      for (std::size_t k = 0; k < bodies.size(); ++k) {
        const SectionId id{.tableId = static_cast<std::uint8_t>(kScheduleActual + table),
                           .extension = service.serviceId,
                           .number = static_cast<std::uint8_t>((segment - first) * 8 + k),
                           .lastNumber = lastOf(last)};
        sections.push_back(Section(id, lastOf(segment), lastTable, bodies[k]));
      }
    }
  }
  return sections;
}

} // namespace qev::tsgen
