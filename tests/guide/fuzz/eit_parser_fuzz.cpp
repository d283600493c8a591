// Arbitrary bytes as an EIT section: the parser must never read past them, and whatever it
// stores must keep the store's rules (a start, one copy per network, service and event).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <tuple>

#include "guide/eit_parser.h"
#include "guide/epg_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // One store for the run: its 65,536 hash buckets would cost more than the parse.
  static qev::guide::TEpgStore store;
  store.Clear();
  const auto result = qev::guide::ParseEitSection({data, size}, store);
  if (result.Dropped && (result.Stored != 0 || result.Repeats != 0))
    std::abort();
  if (store.Count() != static_cast<std::size_t>(result.Stored))
    std::abort();
  std::set<std::tuple<int, int, int>> keys;
  for (std::size_t i = 0; i < store.Count(); ++i) {
    const auto event = store.Get(i);
    if (!event || event->StartTime == 0 || event->Language.size() > 3 ||
        !keys.emplace(event->OriginalNetworkId, event->ServiceId, event->EventId).second)
      std::abort();
    if (!store.FindNow(event->TransportStreamId, event->ServiceId, event->StartTime))
      std::abort();
  }
  return 0;
}
