#include "data/channel_lists.h"

#include "data/channel_handle.h"
#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/notification_hub.h"

#include <fmt/format.h>

namespace qev::data {

namespace {
bool PositionUsable(int position) { return position >= 1 && position <= 3600; }
} // namespace

TChannelsList *TChannelLists::ListOf(int satIndex) const {
  if (satIndex < 0 || satIndex > 255)
    return nullptr;
  return lists_[static_cast<std::size_t>(satIndex)].get();
}

TChannelsList *TChannelLists::ListOpen(int satIndex, bool load) {
  TSatRec sat;
  if (!sats_.SatGet(satIndex, sat) || !PositionUsable(sat.SatPos))
    return nullptr;
  ListClose(satIndex);
  auto list = std::make_unique<TChannelsList>(sat.SatPos, sat.SatIdx);
  if (load)
    list->ListLoad();
  lists_[static_cast<std::size_t>(satIndex)] = std::move(list);
  return ListOf(satIndex);
}

void TChannelLists::ListClose(int satIndex) {
  TChannelsList *list = ListOf(satIndex);
  if (!list)
    return;
  if (list->Modified())
    list->ListSaveAll();
  lists_[static_cast<std::size_t>(satIndex)].reset();
}

void TChannelLists::ListsSync() {
  for (int index = 1; index <= 255; ++index) {
    const TChannelsList *list = ListOf(index);
    TSatRec sat;
    if (list && (!sats_.SatGet(index, sat) || sat.SatActive == 0 || sat.SatPos != list->Position()))
      ListClose(index);
  }
  std::array<bool, 3601> used{};
  for (const auto &list : lists_) {
    if (list)
      used[list->Position()] = true;
  }
  for (const TSatRec &sat : sats_.Items()) {
    if (sat.SatActive == 0 || !PositionUsable(sat.SatPos) || ListOf(sat.SatIdx))
      continue;
    if (used[sat.SatPos]) {
      frame::Log(fmt::format("Satellite {} shares position {} with another one: no channels",
                             sat.SatIdx, PositionText(sat.SatPos)),
                 frame::kLogError);
      continue;
    }
    used[sat.SatPos] = true;
    ListOpen(sat.SatIdx, true);
  }
}

void TChannelLists::ListsSaveModified(bool compact) {
  for (const auto &list : lists_) {
    if (!list || !list->Modified())
      continue;
    if (compact)
      list->ListCompact();
    list->ListSaveAll();
  }
  frame::NotifyGlobal(frame::kNotifyListsChanged, 0, 0);
}

void TChannelLists::ListsFreeAll() {
  for (auto &list : lists_)
    list.reset();
}

std::optional<TChannelRec> TChannelLists::ChannelByHandle(std::int32_t handle) const {
  const auto h = DecodeChannelHandle(handle);
  const TChannelsList *list = h ? ListOf(h->SatIndex) : nullptr;
  if (!list || !list->IndexValid(h->Position))
    return std::nullopt;
  return list->Item(h->Position);
}

int TChannelLists::FindByKey(const TChannelsList &list, const TChannelKey &key) const {
  const int found = list.ListFind(key.TID, key.SID);
  return (found >= 0 && KeyOf(list.Item(found)) == key) ? found : -1;
}

std::int32_t TChannelLists::StoreChannel(std::int32_t handle, const TChannelKey &expected,
                                         const TChannelRec &rec) {
  const auto h = DecodeChannelHandle(handle);
  TChannelsList *list = h ? ListOf(h->SatIndex) : nullptr;
  if (!list)
    return -1;
  int position = h->Position;
  if (!list->IndexValid(position) || !(KeyOf(list->Item(position)) == expected))
    position = FindByKey(*list, expected);
  if (position < 0)
    return -1;
  list->ListSet(position, rec);
  list->ListSaveOne(position);
  return MakeChannelHandle(h->SatIndex, static_cast<std::uint16_t>(position));
}

bool TChannelLists::ChannelDelete(std::int32_t handle) {
  const auto h = DecodeChannelHandle(handle);
  TChannelsList *list = h ? ListOf(h->SatIndex) : nullptr;
  if (!list || !list->IndexValid(h->Position))
    return false;
  if (!frame::Confirm(kAskDeleteChannel + ChName(list->Item(h->Position)) + " ?"))
    return false;
  list->ListDelete(h->Position);
  list->ListSaveAll();
  frame::NotifyGlobal(frame::kNotifyListsChanged, handle, 0);
  return true;
}

} // namespace qev::data
