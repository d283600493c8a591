#pragma once

#include "data/channel_rec.h"
#include "frame/options.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::ui {

// The rule set of one channel tree has the fields and keys of the "ChFilter" options section.
using TGSFRules = frame::TChFilterOptions;
// The AV slot 1 tree's rules: TV, scrambled and free services, no grouping, no sorting.
TGSFRules SecondRuleSet();

inline constexpr const char *kNoGroupText = " ::: none :::";
inline constexpr std::size_t kRowTextChars = 50;

enum TServiceBits : int {
  kServTv = 1,
  kServRadio = 2,
  kServData = 4,
  kServScrambled = 8,
  kServFree = 16,
};

using TChannelVisitor = std::function<void(std::int32_t handle, const data::TChannelRec &rec)>;

// What the tree looks up in the rest of the program; bound to the satellite list, the channel
// lists, favourites and categories by the window that owns the tree.
struct TTreeLookups {
  // Visits the records the tree lists, in list order; returns the number of records of all the
  // lists it walked (deleted ones included).
  std::function<std::int64_t(const TChannelVisitor &)> WalkChannels;
  std::function<std::optional<data::TChannelRec>(std::int32_t handle)> ChannelByHandle;
  std::function<std::string(int satIndex)> SatName;
  std::function<std::string(int categ)> CategName;
  std::function<std::string(int favNumber)> FavName;
  std::function<std::string(const data::TChannelRec &)> FavText;
  std::function<std::string(int satIndex)> SatPosText;
  std::function<std::string(int profile)> ProfileName;
  std::function<bool()> ChildLockActive;
};

// Texts compared ignoring letter case: equal when their case-folded code points are equal,
// ordered by those code points.
std::u32string FoldedText(std::string_view utf8);
int CompareIgnoringCase(std::string_view a, std::string_view b);
bool ContainsIgnoringCase(std::string_view text, std::string_view fragment);
// At most kRowTextChars code points.
std::string RowTextOf(std::string_view utf8);

bool ChannelPassesFilter(const TGSFRules &rules, std::int32_t handle, const TTreeLookups &lookups);

// One group a channel belongs to. CaHighByte is the high byte of the CaId of the CA entry that
// formed the group (kinds 7 and 8), else -1.
struct TGroupText {
  std::string Text;
  int CaHighByte = -1;
};

// The groups of one record for a group kind, each text once (ignoring letter case). With
// caHighByte >= 0 the CA kinds take only entries whose CaId has that high byte.
std::vector<TGroupText> GroupTexts(int kind, std::int32_t handle, const data::TChannelRec &rec,
                                   const TTreeLookups &lookups, int caHighByte = -1);

// Orders two channel rows by both sort keys; a null record (a handle that no longer resolves)
// orders both rows by their texts.
int CompareChannelRows(const TGSFRules &rules, const data::TChannelRec *a, std::string_view textA,
                       const data::TChannelRec *b, std::string_view textB);

// A channel row's sort keys, computed once so that a sort folds each text once; compares as
// CompareChannelRows does.
struct TChannelSortKey {
  bool Resolved = false;
  std::u32string Text; // the folded row text, compared when either record is missing
  std::u32string Folded[2];
  std::int64_t Number[2] = {0, 0};
};
TChannelSortKey ChannelSortKey(const TGSFRules &rules, const data::TChannelRec *rec,
                               std::string_view text);
int CompareChannelKeys(const TChannelSortKey &a, const TChannelSortKey &b);

// The third column of a channel row.
std::string InfoColumnText(int infoCol, const data::TChannelRec &rec, const TTreeLookups &lookups);

} // namespace qev::ui
