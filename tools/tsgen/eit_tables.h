#pragma once

#include <vector>

#include "section.h"
#include "transponder.h"

namespace qev::tsgen {

// The event again `day` days later (negative: earlier), with an event id of its own: days
// 0..59 after the first add 1000 each.
Event RepeatOf(const Event &first, std::int64_t day);

// Event information of the transport stream's own services, as seen at time `now`: the event
// on air and the next one, and the schedule in three-hour segments from midnight of `now`.
// When `endless`, a repeated event recurs every day (the schedule then covers yesterday to
// seven days ahead), so a live guide never runs out; otherwise the description's days count.
class EitBuilder {
public:
  EitBuilder(const Transponder &tp, bool endless) : tp_(tp), endless_(endless) {}

  std::vector<Bytes> PresentFollowing(const Service &service, UtcSeconds now) const;
  // The same for a service of another transport stream of the network (table 0x4F).
  std::vector<Bytes> PresentFollowingOther(const OtherTransport &other, const Service &service,
                                           UtcSeconds now) const;
  std::vector<Bytes> Schedule(const Service &service, UtcSeconds now) const;

private:
  Bytes EventEntry(const Service &service, const Event &event, UtcSeconds now) const;
  struct Origin {
    std::uint8_t tableId;
    std::uint16_t transportStreamId, originalNetworkId;
  };
  std::vector<Bytes> PresentFollowingOf(const Origin &origin, const Service &service,
                                        UtcSeconds now) const;
  Bytes Section(const SectionId &id, std::uint8_t segmentLast, std::uint8_t lastTable,
                const Bytes &events) const;
  static Bytes Section(const Origin &origin, const SectionId &id, std::uint8_t segmentLast,
                       std::uint8_t lastTable, const Bytes &events);

  std::vector<Event> Events(const Service &service, UtcSeconds now) const;

  const Transponder &tp_;
  bool endless_;
};

} // namespace qev::tsgen
