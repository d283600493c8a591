#pragma once

#include "ui/channel_tree_model.h"

#include <cstdint>

namespace qev::ui {

inline constexpr int kTreeColumnName = 0;
inline constexpr int kTreeColumnFav = 1;
inline constexpr int kTreeColumnKind = 2;
inline constexpr int kTreeColumns = 3;

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kColourBlack = 0x000000;
inline constexpr std::uint32_t kColourWhite = 0xFFFFFF;
inline constexpr std::uint32_t kColourMaroon = 0x800000;
inline constexpr std::uint32_t kColourAqua = 0x00FFFF;
inline constexpr std::uint32_t kColourBlue = 0x0000FF;

// How one cell of the tree is drawn; Text is the colour of its text in the given state.
struct TRowStyle {
  bool Bold = false;
  bool Fixed = false;     // "Courier new"
  bool OwnColour = false; // false: the view's usual colours
  std::uint32_t Text = kColourBlack;
};

struct TRowState {
  bool Selected = false;
  bool TreeFocused = false;
  std::int32_t CurrentHandle = 0; // the channel the tree's slot plays
};

TRowStyle TreeRowStyle(const TTreeRow &row, int column, const TGSFRules &rules,
                       const TRowState &state);

// Group kinds whose texts line up in a fixed-width font.
bool FixedFontKind(int kind);

// The "Fav" column's icon number for a channel row; -1 for none.
int FavouriteIcon(const data::TChannelRec &rec);

} // namespace qev::ui
