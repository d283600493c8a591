#pragma once

#include "guide/epg_event.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace qev::guide {

// The events of the guide, append-only between two clears: an index names the same event until
// the next clear, and the generation counts the clears, so a reader that holds indexes notices a
// clear even when the store has grown past its old count since. Duplicates (same original
// network, service and event id) are refused in one hash probe. One writer thread inserts while
// others read; every reader gets copies.
class TEpgStore {
public:
  TEpgStore();
  ~TEpgStore();
  TEpgStore(const TEpgStore &) = delete;
  TEpgStore &operator=(const TEpgStore &) = delete;

  // False for a repeat of a stored event (the first copy stays) and for an event without a
  // start.
  bool Insert(TEpgEvent event);
  // Whether the event is stored, in one hash probe: lets the parser skip a repeat before it
  // decodes the repeat's texts.
  bool Contains(std::uint16_t onid, std::uint16_t sid, std::uint16_t eventId);
  void Clear();

  std::size_t Count() const;
  std::uint64_t Generation() const;
  std::optional<TEpgEvent> Get(std::size_t index) const;
  // The first stored event of the service with start <= now <= start + duration.
  std::optional<TEpgEvent> FindNow(std::uint16_t tid, std::uint16_t sid, std::int64_t nowUtc) const;
  // -1, 0 or 1 by ascending start; out-of-range indexes compare equal.
  int CompareStart(std::size_t a, std::size_t b) const;
  // Calls visit for every stored event in index order, under the store's lock (the visitor must
  // not call back into the store).
  void ForEach(const std::function<void(const TEpgEvent &)> &visit) const;

  // Bytes of the events, their texts, the index and the hash map.
  std::size_t Memory() const;
  int HashEfficiency() const;     // percent
  std::size_t HashMemory() const; // bytes

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::guide
