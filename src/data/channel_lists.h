#pragma once

#include "data/channel_handle.h"
#include "data/channel_list.h"
#include "data/sat_list.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace qev::data {

inline constexpr const char *kAskDeleteChannel = "Delete channel : ";

// The channel lists of all satellites, one slot per satellite index.
class TChannelLists {
public:
  explicit TChannelLists(const TSatList &sats) : sats_(sats) {}

  TChannelsList *ListOf(int satIndex) const;
  TChannelsList *ListOpen(int satIndex, bool load);
  // Saves a modified list before freeing it.
  void ListClose(int satIndex);
  // Opens the lists of active satellites and closes those of satellites that are gone,
  // inactive or moved to another position. A satellite whose position another open list
  // already uses gets no list and a log line.
  void ListsSync();
  void ListsSaveModified(bool compact);
  void ListsFreeAll();

  std::optional<TChannelRec> ChannelByHandle(std::int32_t handle) const;
  // Writes an edited record through its handle only while the record there still has the
  // expected key; when the list moved, the record is found again by key. Returns the handle
  // it was written under, or -1 when the channel is gone.
  std::int32_t StoreChannel(std::int32_t handle, const TChannelKey &expected,
                            const TChannelRec &rec);
  // Asks first; deletes, saves the list and announces the deleted handle.
  bool ChannelDelete(std::int32_t handle);

private:
  int FindByKey(const TChannelsList &list, const TChannelKey &key) const;

  const TSatList &sats_;
  std::array<std::unique_ptr<TChannelsList>, 256> lists_;
};

} // namespace qev::data
