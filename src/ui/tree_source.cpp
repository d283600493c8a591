#include "ui/tree_source.h"

#include "data/channel_handle.h"

#include <algorithm>

namespace qev::ui {
namespace {

using data::TChannelRec;
using TRecordTest = std::function<bool(const TChannelRec &)>;

// The list of an active satellite that has records, else null.
const data::TChannelsList *WalkableList(const TTreeData &source, const data::TSatRec &sat) {
  if (sat.SatActive == 0)
    return nullptr;
  const data::TChannelsList *list = source.Lists.ListOf(sat.SatIdx);
  return list != nullptr && list->Count() > 0 ? list : nullptr;
}

// Visits the records of one list that `take` accepts; returns the list's record count.
std::int64_t WalkList(const data::TChannelsList &list, const TRecordTest &take,
                      const TChannelVisitor &visit) {
  // A handle names at most 65536 positions; records beyond them cannot be addressed.
  const int named = std::min(list.Count(), 0x10000);
  for (int i = 0; i < named; ++i)
    if (!take || take(list.Item(i)))
      visit(data::MakeChannelHandle(list.SatIndex(), static_cast<std::uint16_t>(i)), list.Item(i));
  return list.Count();
}

TTreeLookups CommonLookups(const TTreeData &source) {
  TTreeLookups l;
  l.ChannelByHandle = [&lists = source.Lists](std::int32_t h) { return lists.ChannelByHandle(h); };
  l.SatName = [&sats = source.Sats](int index) {
    data::TSatRec sat{};
    return sats.SatGet(index, sat) ? data::SatName(sat) : std::string();
  };
  l.CategName = [&c = source.Categories](int categ) { return c.CategName(categ); };
  l.FavName = [&f = source.Favorites](int n) { return f.FavName(n); };
  l.FavText = [&f = source.Favorites](const TChannelRec &rec) { return f.FavText(rec.FavCat); };
  l.SatPosText = [&sats = source.Sats](int index) { return sats.SatPosTextOf(index); };
  l.ProfileName = source.ProfileName;
  l.ChildLockActive = source.ChildLockActive;
  return l;
}

} // namespace

TTreeLookups AllSatellitesLookups(const TTreeData &source) {
  TTreeLookups l = CommonLookups(source);
  l.WalkChannels = [&source](const TChannelVisitor &visit) {
    std::int64_t all = 0;
    for (const data::TSatRec &sat : source.Sats.Items())
      if (const data::TChannelsList *list = WalkableList(source, sat))
        all += WalkList(*list, nullptr, visit);
    return all;
  };
  return l;
}

TTreeLookups
SlotTransponderLookups(const TTreeData &source,
                       std::function<std::optional<data::TChannelRec>()> slot0Current) {
  TTreeLookups l = CommonLookups(source);
  l.WalkChannels = [&source, current = std::move(slot0Current)](const TChannelVisitor &visit) {
    const std::optional<TChannelRec> playing = current ? current() : std::nullopt;
    data::TSatRec sat{};
    if (!playing || !source.Sats.SatGet(playing->SatIndex, sat))
      return std::int64_t{0};
    const data::TChannelsList *list = WalkableList(source, sat);
    if (list == nullptr)
      return std::int64_t{0};
    return WalkList(
        *list,
        [&](const TChannelRec &rec) {
          return rec.SatIndex == playing->SatIndex && rec.Freq == playing->Freq &&
                 rec.Polar == playing->Polar;
        },
        visit);
  };
  return l;
}

} // namespace qev::ui
