// Favourite names, the four favourite places of a channel, and category names.
#include "data/favorites.h"
#include "temp_root.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qev::data;

namespace {
class FavFiles : public qev::test::TempRoot {};
std::vector<int> Places(const std::uint8_t (&fav)[4]) { return {fav[0], fav[1], fav[2], fav[3]}; }
} // namespace

TEST_F(FavFiles, LoadSkipsCommentsAndOutOfRangeSlotsAndSavesInOrder) {
  const auto file = root / "Configs/Favorites.cfg";
  WriteFile(file, "05 = News\n;07=Old\n40=Extra\nabc=Bad\n\n12=Sport=x\n05=Later\n");
  TFavorites fav;
  EXPECT_TRUE(fav.FavLoad(file));
  EXPECT_EQ(fav.FavName(5), "Later"); // a later line wins
  EXPECT_EQ(fav.FavName(7), "");
  EXPECT_EQ(fav.FavName(12), "Sport");
  EXPECT_EQ(fav.FavName(40), "");
  EXPECT_EQ(fav.FavName(0), "");
  EXPECT_EQ(fav.FavSave(file), "");
  EXPECT_EQ(ReadFile(file), "05=Later\r\n12=Sport\r\n");
  EXPECT_EQ(fav.FirstFreeSlot(), 1);
  EXPECT_FALSE(fav.FavLoad(root / "none.cfg"));
  EXPECT_EQ(fav.FavName(5), "");
}

TEST(Favorites, TextOfAChannelNeverReadsOutOfRange) {
  TFavorites fav;
  fav.SetFavName(3, "News");
  fav.SetFavName(17, "Sport");
  fav.SetFavName(99, "Nope");
  const std::uint8_t cats[4] = {0, 3, 17, 200};
  EXPECT_EQ(fav.FavText(cats), "News,Sport,");
  const std::uint8_t none[4] = {};
  EXPECT_EQ(fav.FavText(none), "");
}

TEST(Favorites, PlacesStayAscendingAndFullIsRefused) {
  std::uint8_t fav[4] = {0, 0, 3, 17};
  EXPECT_EQ(FavAdd(fav, 9), FavChange::Done);
  EXPECT_EQ(Places(fav), (std::vector<int>{0, 3, 9, 17}));
  EXPECT_EQ(FavAdd(fav, 9), FavChange::AlreadyMember);
  EXPECT_EQ(FavAdd(fav, 33), FavChange::OutOfRange);
  std::uint8_t full[4] = {1, 2, 3, 4};
  EXPECT_EQ(FavAdd(full, 5), FavChange::Full);
  EXPECT_EQ(Places(full), (std::vector<int>{1, 2, 3, 4}));
  FavRemove(fav, 3);
  EXPECT_EQ(Places(fav), (std::vector<int>{0, 0, 9, 17}));
}

TEST(Favorites, QuickToggleNeverDropsAnotherFavourite) {
  std::uint8_t fav[4] = {};
  EXPECT_TRUE(FavQuickToggle(fav));
  EXPECT_EQ(fav[3], 1);
  EXPECT_TRUE(FavQuickToggle(fav));
  EXPECT_EQ(fav[3], 0);
  std::uint8_t other[4] = {0, 0, 0, 17};
  EXPECT_FALSE(FavQuickToggle(other)); // the editor decides
  EXPECT_EQ(other[3], 17);
}

TEST(Favorites, TitleCase) {
  EXPECT_EQ(FavTitleCase("sport - live tv"), "Sport - Live Tv");
  EXPECT_EQ(FavTitleCase("NEWS/eXTRA(hd)"), "News/Extra(Hd)");
  EXPECT_EQ(FavTitleCase("éLAN über ÄRGER"), "Élan Über Ärger");
  EXPECT_EQ(FavTitleCase("ΑΘΛΗΤΙΚΑ-νεα"), "Αθλητικα-Νεα");
  EXPECT_EQ(FavTitleCase("новости КИНО"), "Новости Кино");
  const std::string broken = "bad\xFF"; // not UTF-8: kept as it is, and no word break
  EXPECT_EQ(FavTitleCase(broken + "BYTE"), "Bad\xFF" + std::string("byte"));
}

TEST(Favorites, NewCategoriesTakeTheLowestFreeSlotInTitleCase) {
  TFavorites favorites;
  favorites.SetFavName(1, "News");
  favorites.SetFavName(3, "Music");
  EXPECT_EQ(FavAddCategory(favorites, "   "), 0);
  EXPECT_EQ(FavAddCategory(favorites, " sport - live tv "), 2);
  EXPECT_EQ(favorites.FavName(2), "Sport - Live Tv");
  for (int slot = 4; slot <= TFavorites::kSlots; ++slot)
    EXPECT_EQ(FavAddCategory(favorites, "x"), slot);
  EXPECT_EQ(FavAddCategory(favorites, "one too many"), 0);
  // Ticking a slot puts it between the others; a fifth is refused and changes nothing.
  std::uint8_t fav[4] = {0, 0, 3, 17};
  EXPECT_EQ(FavAdd(fav, 9), FavChange::Done);
  EXPECT_EQ(std::vector<int>(fav, fav + 4), (std::vector<int>{0, 3, 9, 17}));
  std::uint8_t full[4] = {1, 2, 3, 4};
  EXPECT_EQ(FavAdd(full, 5), FavChange::Full);
  EXPECT_EQ(std::vector<int>(full, full + 4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(FavFiles, CategoriesWithAndWithoutTheirFile) {
  TCategories cats;
  cats.CategLoad(root / "missing.txt");
  EXPECT_EQ(cats.CategList(), std::vector<std::string>{"#Unknow"});
  WriteFile(root / "Category.txt", "#Unknow\r\nMovies\r\nNews\r\n");
  cats.CategLoad(root / "Category.txt");
  EXPECT_EQ(cats.CategName(0), "");
  EXPECT_EQ(cats.CategName(2), "News");
  EXPECT_EQ(cats.CategName(3), "");
  EXPECT_EQ(cats.CategName(-1), "");
}

TEST_F(FavFiles, AByteOrderMarkBeforeTheFirstLineKeepsItsSlot) {
  const auto file = root / "Favorites.cfg";
  WriteFile(file, "\xEF\xBB\xBF"
                  "01=News\r\n02=Sport\r\n");
  TFavorites fav;
  EXPECT_TRUE(fav.FavLoad(file));
  EXPECT_EQ(fav.FavName(1), "News");
  EXPECT_EQ(fav.FavName(2), "Sport");
}
