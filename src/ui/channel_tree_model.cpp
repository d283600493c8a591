#include "ui/channel_tree_model.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace qev::ui {
namespace {

bool IsCaKind(int kind) { return kind == 7 || kind == 8; }

} // namespace

// Inserts the records of one build below the root, creating group rows as they are needed.
class TChannelTreeModel::TBuilder {
public:
  explicit TBuilder(TChannelTreeModel &model) : model_(model) {
    const TGSFRules &rules = model.rules_;
    kinds_[0] = rules.Group1By;
    kinds_[1] = (rules.Group1By == 0 || rules.Group2By == rules.Group1By) ? 0 : rules.Group2By;
  }

  void Insert(std::int32_t handle, const data::TChannelRec &rec) {
    InsertAt(handle, rec, kRoot, 1, -1);
  }

private:
  int KindOf(int level) const { return level <= 2 ? kinds_[level - 1] : 0; }

  void InsertAt(std::int32_t handle, const data::TChannelRec &rec, int parent, int level,
                int parentCaHigh) {
    const int kind = KindOf(level);
    if (kind == 0) {
      AddRow(parent, handle, 0, data::ChName(rec));
      return;
    }
    const bool narrowCa = level == 2 && IsCaKind(kind) && IsCaKind(KindOf(1));
    for (TGroupText &group :
         GroupTexts(kind, handle, rec, model_.lookups_, narrowCa ? parentCaHigh : -1)) {
      const int row = GroupRow(parent, level, group.Text);
      InsertAt(handle, rec, row, level + 1, group.CaHighByte);
    }
  }

  int GroupRow(int parent, int level, const std::string &text) {
    auto [it, added] = index_.try_emplace({parent, FoldedText(text)}, 0);
    if (added)
      it->second = AddRow(parent, -level, 0, text);
    ++model_.rows_[static_cast<std::size_t>(it->second)].RowCount;
    return it->second;
  }

  int AddRow(int parent, std::int32_t key, std::uint32_t count, std::string_view text) {
    auto &rows = model_.rows_;
    const int row = static_cast<int>(rows.size());
    TTreeRow added;
    added.RowKey = key;
    added.RowCount = count;
    added.RowText = RowTextOf(text);
    added.Parent = parent;
    rows.push_back(std::move(added));
    rows[static_cast<std::size_t>(parent)].Children.push_back(row);
    return row;
  }

  TChannelTreeModel &model_;
  int kinds_[2] = {0, 0};
  std::map<std::pair<int, std::u32string>, int> index_;
};

TChannelTreeModel::TChannelTreeModel(TGSFRules &rules, TTreeLookups lookups)
    : rules_(rules), lookups_(std::move(lookups)), rows_(1) {}

void TChannelTreeModel::RebuildTree() {
  if (building_) {
    rebuildAsked_ = true;
    return;
  }
  building_ = true;
  do {
    rebuildAsked_ = false;
    Build();
  } while (rebuildAsked_);
  building_ = false;
}

void TChannelTreeModel::Build() {
  const auto start = std::chrono::steady_clock::now();
  ++rebuilds_;
  rows_.assign(1, TTreeRow{});
  selection_.clear();
  focused_ = kNoRow;
  frame::ClampTreeKinds(rules_);
  TBuilder builder(*this);
  allChannels_ =
      lookups_.WalkChannels
          ? lookups_.WalkChannels([&](std::int32_t handle, const data::TChannelRec &rec) {
              builder.Insert(handle, rec);
            })
          : 0;
  for (std::size_t row = 0; row < rows_.size(); ++row)
    SortChildren(static_cast<int>(row));
  buildTime_ = std::chrono::steady_clock::now() - start;
  RefilterTree();
  if (autoExpand_ && autoExpand_())
    SetAllOpen(true);
  if (selectedHandle_)
    FocusChannel(selectedHandle_());
}

void TChannelTreeModel::SortChildren(int row) {
  std::vector<int> &children = rows_[static_cast<std::size_t>(row)].Children;
  if (children.size() < 2)
    return;
  // Keys are computed once per row, not once per comparison.
  struct TEntry {
    int Row;
    TChannelSortKey Key; // a group row keeps its folded text in Key.Text
  };
  std::vector<TEntry> entries;
  entries.reserve(children.size());
  for (const int child : children) {
    const TTreeRow &r = Row(child);
    if (!r.IsChannel()) {
      entries.push_back({child, {false, FoldedText(r.RowText), {}, {}}});
      continue;
    }
    const std::optional<data::TChannelRec> rec = lookups_.ChannelByHandle(r.RowKey);
    entries.push_back({child, ChannelSortKey(rules_, rec ? &*rec : nullptr, r.RowText)});
  }
  std::stable_sort(entries.begin(), entries.end(), [&](const TEntry &a, const TEntry &b) {
    const bool channelA = Row(a.Row).IsChannel(), channelB = Row(b.Row).IsChannel();
    if (channelA != channelB)
      return !channelA;
    if (!channelA)
      return a.Key.Text < b.Key.Text;
    return CompareChannelKeys(a.Key, b.Key) < 0;
  });
  for (std::size_t i = 0; i < entries.size(); ++i)
    children[i] = entries[i].Row;
}

void TChannelTreeModel::RefilterTree() {
  const auto start = std::chrono::steady_clock::now();
  visibleChannels_ = 0;
  FilterBelow(kRoot);
  filterTime_ = std::chrono::steady_clock::now() - start;
}

// Shows the rows below `row` and returns how many of its children are shown.
std::uint32_t TChannelTreeModel::FilterBelow(int row) {
  std::uint32_t shown = 0;
  for (const int child : rows_[static_cast<std::size_t>(row)].Children) {
    TTreeRow &r = rows_[static_cast<std::size_t>(child)];
    if (r.IsChannel()) {
      r.Shown = ChannelPassesFilter(rules_, r.RowKey, lookups_);
      visibleChannels_ += r.Shown ? 1 : 0;
    } else {
      r.RowCount = FilterBelow(child);
      r.Shown = r.RowCount != 0;
    }
    shown += r.Shown ? 1 : 0;
  }
  return shown;
}

bool TChannelTreeModel::Reachable(int row) const {
  for (; row > kRoot; row = Row(row).Parent)
    if (!Row(row).Shown)
      return false;
  return true;
}

void TChannelTreeModel::Reveal(int row) {
  for (int parent = Row(row).Parent; parent > kRoot; parent = Row(parent).Parent)
    rows_[static_cast<std::size_t>(parent)].Open = true;
}

bool TChannelTreeModel::FocusChannel(std::int32_t handle) {
  // Rows are created parents first, children in insertion order, so tree order is a walk.
  std::vector<int> stack{kRoot};
  while (!stack.empty()) {
    const int row = stack.back();
    stack.pop_back();
    if (row != kRoot && Row(row).RowKey == handle && handle > 0 && Reachable(row)) {
      Reveal(row);
      FocusRow(row);
      return true;
    }
    const auto &children = Row(row).Children;
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return false;
}

void TChannelTreeModel::SetOpen(int row, bool open) {
  rows_[static_cast<std::size_t>(row)].Open = open;
}

void TChannelTreeModel::SetAllOpen(bool open) {
  for (TTreeRow &row : rows_)
    if (!row.IsChannel())
      row.Open = open;
}

std::vector<int> TChannelTreeModel::DisplayOrder() const {
  std::vector<int> order;
  std::vector<int> stack(Row(kRoot).Children.rbegin(), Row(kRoot).Children.rend());
  while (!stack.empty()) {
    const int row = stack.back();
    stack.pop_back();
    if (!Row(row).Shown)
      continue;
    order.push_back(row);
    if (Row(row).Open)
      stack.insert(stack.end(), Row(row).Children.rbegin(), Row(row).Children.rend());
  }
  return order;
}

bool TChannelTreeModel::Displayed(int row) const {
  if (row <= kRoot || row >= static_cast<int>(rows_.size()) || !Row(row).Shown)
    return false;
  for (int parent = Row(row).Parent; parent > kRoot; parent = Row(parent).Parent)
    if (!Row(parent).Shown || !Row(parent).Open)
      return false;
  return true;
}

// The shown sibling after (step 1) or before (step -1) a row.
int TChannelTreeModel::ShownSibling(int row, int step) const {
  const std::vector<int> &siblings = Row(Row(row).Parent).Children;
  auto at = std::find(siblings.begin(), siblings.end(), row) - siblings.begin();
  for (at += step; at >= 0 && at < static_cast<std::ptrdiff_t>(siblings.size()); at += step)
    if (Row(siblings[static_cast<std::size_t>(at)]).Shown)
      return siblings[static_cast<std::size_t>(at)];
  return kNoRow;
}

// The first (step 1) or last (step -1) shown child of a row the view has open.
int TChannelTreeModel::ShownChild(int row, int step) const {
  if (row != kRoot && (Row(row).IsChannel() || !Row(row).Open))
    return kNoRow;
  const std::vector<int> &children = Row(row).Children;
  const auto count = static_cast<std::ptrdiff_t>(children.size());
  for (std::ptrdiff_t at = step > 0 ? 0 : count - 1; at >= 0 && at < count; at += step)
    if (Row(children[static_cast<std::size_t>(at)]).Shown)
      return children[static_cast<std::size_t>(at)];
  return kNoRow;
}

int TChannelTreeModel::NextDisplayed(int row) const {
  if (const int child = ShownChild(row, 1); child != kNoRow)
    return child;
  for (; row > kRoot; row = Row(row).Parent)
    if (const int sibling = ShownSibling(row, 1); sibling != kNoRow)
      return sibling;
  return kNoRow;
}

int TChannelTreeModel::PreviousDisplayed(int row) const {
  int previous = ShownSibling(row, -1);
  if (previous == kNoRow)
    return Row(row).Parent > kRoot ? Row(row).Parent : kNoRow;
  for (int child = ShownChild(previous, -1); child != kNoRow; child = ShownChild(previous, -1))
    previous = child;
  return previous;
}

// Walks the displayed rows from the focused one without listing them all: stepping is what the
// channel up and down keys repeat.
void TChannelTreeModel::StepChannel(int direction) {
  int row = Displayed(focused_) ? focused_ : NextDisplayed(kRoot);
  for (bool first = true; row != kNoRow; first = false) {
    if (direction != 0 || !first)
      row = direction < 0 ? PreviousDisplayed(row) : NextDisplayed(row);
    if (row == kNoRow || !Row(row).IsChannel())
      continue;
    const std::int32_t handle = Row(row).RowKey;
    const int built = rebuilds_;
    FocusRow(row);
    if (switch_)
      switch_(handle);
    // A switch that rebuilt the tree left the row numbers behind.
    if (rebuilds_ != built)
      FocusChannel(handle);
    return;
  }
}

void TChannelTreeModel::FocusRow(int row) {
  focused_ = row;
  selection_.assign(1, row);
}

std::vector<std::int32_t> TChannelTreeModel::GroupTargets(int row) const {
  std::vector<std::int32_t> handles;
  for (const int child : Row(row).Children) {
    const TTreeRow &r = Row(child);
    if (!r.Shown)
      continue;
    if (r.IsChannel()) {
      handles.push_back(r.RowKey);
    } else {
      const std::vector<std::int32_t> below = GroupTargets(child);
      handles.insert(handles.end(), below.begin(), below.end());
    }
  }
  return handles;
}

std::size_t TChannelTreeModel::SelectedChannelCount() const {
  std::set<std::int32_t> handles;
  for (const int row : selection_)
    if (row > kRoot && row < static_cast<int>(rows_.size()) && Row(row).IsChannel())
      handles.insert(Row(row).RowKey);
  return handles.size();
}

} // namespace qev::ui
