#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qev::data {
class TChannelsList;
}

namespace qev::guide {

inline constexpr const char *kNoGroupText = ":: none ::";
inline constexpr std::size_t kTreeRowChars = 20;

// A channel that has events and is in the satellite's channel list.
struct TEpgChannelEntry {
  std::uint16_t Tid = 0;
  std::uint16_t Sid = 0;
  int ListIndex = 0;
};

// A group row (ListIndex -1, with children) or a channel row.
struct TEpgTreeRow {
  std::string Text; // at most 20 characters
  int ListIndex = -1;
  std::vector<TEpgTreeRow> Children;

  bool IsGroup() const { return ListIndex < 0; }
};

// The guide viewer's channel tree: grouped by nothing (0), provider (1) or favourite category
// (2), groups before channels, each level sorted by name ignoring case.
class TEpgChannelTree {
public:
  using TCategoryName = std::function<std::string(int category)>;

  TEpgChannelTree(const data::TChannelsList &list, TCategoryName categoryName);

  // False when the channel already has an entry or is not in the list.
  bool AddChannel(std::uint16_t tid, std::uint16_t sid);
  // Sorts the rows after channels were added.
  void Sort();
  void Clear();

  // Both rebuild the whole tree from the entries.
  void SetGrouping(int grouping);
  void SetOnlyFavourites(bool only);
  int Grouping() const { return grouping_; }
  bool OnlyFavourites() const { return onlyFavourites_; }

  const std::vector<TEpgChannelEntry> &Entries() const { return entries_; }
  const std::vector<TEpgTreeRow> &Rows() const { return rows_; }

private:
  void AddRows(const TEpgChannelEntry &entry);
  TEpgTreeRow &GroupRow(const std::string &name);
  void Rebuild();

  const data::TChannelsList &list_;
  TCategoryName categoryName_;
  int grouping_ = 0;
  bool onlyFavourites_ = false;
  std::vector<TEpgChannelEntry> entries_;
  std::vector<TEpgTreeRow> rows_;
};

// Name cut to 20 characters (code points).
std::string TreeRowText(std::string_view utf8);
// Groups first, then by name ignoring case, in the user's locale's order.
bool TreeRowLess(const TEpgTreeRow &a, const TEpgTreeRow &b);

} // namespace qev::guide
