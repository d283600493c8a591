#pragma once

#include "ui/tree_rules.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qev::ui {

// One row of the channel tree. Rows live in one array; row 0 is the invisible root.
struct TTreeRow {
  std::int32_t RowKey = 0;    // channel handle, or minus the level for a group row
  std::uint32_t RowCount = 0; // shown children of a group row
  std::string RowText;
  bool Shown = true;
  bool Open = false;
  int Parent = -1;
  std::vector<int> Children;

  bool IsChannel() const { return RowKey > 0; }
};

// The channel tree without its view: grouping, sorting, filtering, focus and stepping.
class TChannelTreeModel {
public:
  static constexpr int kRoot = 0;
  static constexpr int kNoRow = -1;

  TChannelTreeModel(TGSFRules &rules, TTreeLookups lookups);

  // Optional hooks; the view binds them to the options and the AV slot.
  void SetAutoExpand(std::function<bool()> autoExpand) { autoExpand_ = std::move(autoExpand); }
  void SetSelectedHandle(std::function<std::int32_t()> h) { selectedHandle_ = std::move(h); }
  void SetSwitchHandler(std::function<void(std::int32_t)> h) { switch_ = std::move(h); }

  // A rebuild asked for while one runs (from a hook it calls) runs once after it, not inside.
  void RebuildTree();
  void RefilterTree();
  bool FocusChannel(std::int32_t handle);
  void StepChannel(int direction);

  const std::vector<TTreeRow> &Rows() const { return rows_; }
  const TTreeRow &Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  int FocusedRow() const { return focused_; }
  void SetFocusedRow(int row) { focused_ = row; }
  void SetOpen(int row, bool open);
  void SetAllOpen(bool open);
  // Shown rows that the view displays (inside open groups), in display order.
  std::vector<int> DisplayOrder() const;

  void SetSelection(std::vector<int> rows) { selection_ = std::move(rows); }
  const std::vector<int> &Selection() const { return selection_; }
  // A channel listed under several groups counts once.
  std::size_t SelectedChannelCount() const;
  // The handles of the shown channel rows below a group row, through its shown subgroups.
  std::vector<std::int32_t> GroupTargets(int row) const;

  std::int64_t AllChannels() const { return allChannels_; }
  std::int64_t VisibleChannels() const { return visibleChannels_; }
  int RebuildCount() const { return rebuilds_; }
  // How long the last build (grouping and sorting) and the last filter pass took.
  std::chrono::steady_clock::duration BuildTime() const { return buildTime_; }
  std::chrono::steady_clock::duration FilterTime() const { return filterTime_; }

private:
  class TBuilder;

  void Build();
  void SortChildren(int row);
  std::uint32_t FilterBelow(int row);
  bool Reachable(int row) const; // shown with every ancestor shown
  bool Displayed(int row) const; // reachable inside open groups
  int ShownSibling(int row, int step) const;
  int ShownChild(int row, int step) const;
  int NextDisplayed(int row) const;
  int PreviousDisplayed(int row) const;
  void Reveal(int row);
  void FocusRow(int row); // focused and the only selected row

  TGSFRules &rules_;
  TTreeLookups lookups_;
  std::function<bool()> autoExpand_;
  std::function<std::int32_t()> selectedHandle_;
  std::function<void(std::int32_t)> switch_;
  std::vector<TTreeRow> rows_;
  std::vector<int> selection_;
  int focused_ = kNoRow;
  std::int64_t allChannels_ = 0;
  std::int64_t visibleChannels_ = 0;
  int rebuilds_ = 0;
  std::chrono::steady_clock::duration buildTime_{};
  std::chrono::steady_clock::duration filterTime_{};
  bool building_ = false;
  bool rebuildAsked_ = false;
};

} // namespace qev::ui
