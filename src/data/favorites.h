#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kMaxFavPerChannel = "Maximum 4 categories per channel...";
inline constexpr const char *kUnknownCategory = "#Unknow";
inline constexpr const char *kErrSaveFavorites = "Cannot save favourite categories.\r\r";

// The 32 user-named favourite categories of Favorites.cfg.
class TFavorites {
public:
  static constexpr int kSlots = 32;

  // False (all slots unnamed) when the file is missing or cannot be read; the latter is logged
  // and the file is then not written over in this run.
  bool FavLoad(const std::filesystem::path &file);
  // Rewrites the file (under the name it was found) from the named slots; returns an error
  // text, empty on success.
  std::string FavSave(const std::filesystem::path &file) const;
  // Empty for unnamed slots and numbers outside 1..32.
  std::string FavName(int n) const;
  void SetFavName(int n, std::string_view name);
  // The channel's favourite names in slot order, joined with ",".
  std::string FavText(const std::uint8_t (&favCat)[4]) const;
  // The lowest unnamed slot, 0 when all are named.
  int FirstFreeSlot() const;

private:
  std::array<std::string, kSlots + 1> names_;
  std::string readError_;
};

enum class FavChange { Done, AlreadyMember, Full, OutOfRange };

// Puts slot n into the first empty place (places stay ascending); Full when all four are used.
FavChange FavAdd(std::uint8_t (&favCat)[4], int n);
void FavRemove(std::uint8_t (&favCat)[4], int n);
bool FavHas(const std::uint8_t (&favCat)[4], int n);
// The channel tree's quick toggle. True when it toggled slot 1 in the last place; false when
// the channel has further favourites and the editor must be opened instead.
bool FavQuickToggle(std::uint8_t (&favCat)[4]);
// Each word's first letter upper case, the rest lower case; letters beyond ASCII too.
std::string FavTitleCase(std::string_view text);
// A new favourite category in the lowest unnamed slot, named in title case; the slot, or 0
// when all slots are named or the trimmed name is empty.
int FavAddCategory(TFavorites &favorites, std::string_view name);

// The category names of Category.txt; line 0 stands for no category.
class TCategories {
public:
  void CategLoad(const std::filesystem::path &file);
  std::string CategName(int i) const;
  const std::vector<std::string> &CategList() const { return names_; }

private:
  std::vector<std::string> names_{kUnknownCategory};
};

} // namespace qev::data
