#include "ui/tree_row_style.h"

#include <algorithm>

namespace qev::ui {
namespace {

constexpr int kIconFavLocked = 77;
constexpr int kIconFav = 9;
constexpr int kIconLocked = 76;

bool HasFavourite(const data::TChannelRec &rec) {
  return std::any_of(std::begin(rec.FavCat), std::end(rec.FavCat), [](auto f) { return f != 0; });
}

} // namespace

bool FixedFontKind(int kind) {
  return kind == 2 || kind == 3 || (kind >= 7 && kind <= 13) || kind == 15;
}

TRowStyle TreeRowStyle(const TTreeRow &row, int column, const TGSFRules &rules,
                       const TRowState &state) {
  TRowStyle style;
  if (row.IsChannel()) {
    if (row.RowKey == state.CurrentHandle && state.CurrentHandle > 0) {
      style.Bold = style.OwnColour = true;
      style.Text = state.Selected && state.TreeFocused ? kColourAqua : kColourBlue;
    }
    return style;
  }
  const bool second = row.RowKey == -2;
  style.Bold = style.OwnColour = true;
  style.Fixed =
      column == kTreeColumnKind || FixedFontKind(second ? rules.Group2By : rules.Group1By);
  style.Text = state.Selected ? kColourWhite : second ? kColourMaroon : kColourBlack;
  return style;
}

int FavouriteIcon(const data::TChannelRec &rec) {
  const bool locked = rec.ChildLock != 0;
  if (HasFavourite(rec))
    return locked ? kIconFavLocked : kIconFav;
  return locked ? kIconLocked : -1;
}

} // namespace qev::ui
