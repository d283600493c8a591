#pragma once

#include "data/channel_lists.h"
#include "data/favorites.h"
#include "data/sat_list.h"

namespace qev::data {

// The program's one set of channel data, used from the user-interface thread.
TSatList &Satellites();
TChannelLists &ChannelLists();
TFavorites &Favorites();
TCategories &Categories();

// Start-up places: favourites and categories, the satellite list, the channel lists.
int LoadFavoritesStep();
int LoadSatellitesStep();
int LoadChannelsStep();

} // namespace qev::data
