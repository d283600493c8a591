#include "data/data_store.h"

#include "frame/app_paths.h"

namespace qev::data {

TSatList &Satellites() {
  static TSatList sats;
  return sats;
}

TChannelLists &ChannelLists() {
  static TChannelLists lists(Satellites());
  return lists;
}

TFavorites &Favorites() {
  static TFavorites favorites;
  return favorites;
}

TCategories &Categories() {
  static TCategories categories;
  return categories;
}

int LoadFavoritesStep() {
  Favorites().FavLoad(frame::Paths().FavoritesFile);
  Categories().CategLoad(frame::Paths().CategoryFile);
  return 0;
}

int LoadSatellitesStep() {
  Satellites().SetChangeHandler([] { ChannelLists().ListsSync(); });
  Satellites().SatLoad();
  return 0;
}

int LoadChannelsStep() {
  ChannelLists().ListsSync();
  return 0;
}

} // namespace qev::data
