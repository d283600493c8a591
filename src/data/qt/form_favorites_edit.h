#pragma once

#include "data/favorites.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QListWidget;
class QListWidgetItem;

namespace qev::data {

inline constexpr const char *kAddFavCaption = "Add category to favorites";
inline constexpr const char *kAddFavPrompt = "Name";

// What the favourites editor works with: the named slots, where they are saved, and how a new
// category's name is asked for (the input dialog unless a test answers).
struct TFavEditLinks {
  TFavorites &Favorites;
  std::filesystem::path File;
  std::function<std::optional<std::string>(QWidget *owner)> AskName{};
};

// One channel's favourite categories: a row with a check box per named slot; at most four
// may be ticked. A new category can be named from the menu; Enter accepts, Escape cancels.
class TFormFavoritesEdit : public QDialog {
  Q_OBJECT
public:
  TFormFavoritesEdit(QWidget *owner, const std::uint8_t (&favCat)[4], TFavEditLinks links);

  const std::uint8_t (&FavCat() const)[4] { return favCat_; }
  // The row of a slot, or -1 when it has no name.
  int RowOf(int slot) const;
  void AddCategory();

private:
  void Fill();
  void Ticked(QListWidgetItem *item);

  std::uint8_t favCat_[4];
  TFavEditLinks links_;
  QListWidget *list_;
};

// The favourites editor for one channel, opened just below the point given (when given). True
// with the new favCat when the user accepts.
bool FavEdit(QWidget *owner, std::uint8_t (&favCat)[4], TFavEditLinks links,
             std::optional<QPoint> below = std::nullopt);

} // namespace qev::data
