#pragma once

#include "data/channel_lists.h"
#include "data/favorites.h"
#include "data/sat_list.h"
#include "ui/tree_rules.h"

#include <functional>
#include <optional>
#include <string>

namespace qev::ui {

// The program's data a channel tree reads; everything must outlive the lookups made from it.
struct TTreeData {
  const data::TSatList &Sats;
  const data::TChannelLists &Lists;
  const data::TFavorites &Favorites;
  const data::TCategories &Categories;
  std::function<bool()> ChildLockActive;
  std::function<std::string(int profile)> ProfileName;
};

// The AV slot 0 tree lists the channels of every active satellite, in satellite list order.
TTreeLookups AllSatellitesLookups(const TTreeData &source);

// The other trees list only the channels on the transponder AV slot 0 plays (satellite,
// frequency and polarisation; the symbol rate is not compared); nothing while it plays none.
TTreeLookups SlotTransponderLookups(const TTreeData &source,
                                    std::function<std::optional<data::TChannelRec>()> slot0Current);

} // namespace qev::ui
