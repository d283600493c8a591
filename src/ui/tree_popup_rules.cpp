#include "ui/tree_popup_rules.h"

#include <algorithm>
#include <set>

namespace qev::ui {
namespace {

std::vector<std::int32_t> Distinct(const std::vector<std::int32_t> &handles) {
  std::vector<std::int32_t> out;
  std::set<std::int32_t> seen;
  for (const std::int32_t h : handles)
    if (seen.insert(h).second)
      out.push_back(h);
  return out;
}

std::vector<std::int32_t> SelectedChannels(const TChannelTreeModel &model) {
  std::vector<int> rows = model.Selection();
  const auto rowCount = static_cast<int>(model.Rows().size());
  std::erase_if(rows, [&](int r) { return r <= TChannelTreeModel::kRoot || r >= rowCount; });
  std::sort(rows.begin(), rows.end()); // rows are numbered in tree order
  std::vector<std::int32_t> handles;
  for (const int row : rows)
    if (model.Row(row).IsChannel())
      handles.push_back(model.Row(row).RowKey);
  return Distinct(handles);
}

} // namespace

TTreeMenuChoice ChooseTreeMenu(const TChannelTreeModel &model, int slot) {
  TTreeMenuChoice choice;
  const int focused = model.FocusedRow();
  if (model.Selection().size() >= 2) {
    choice.Menu = TTreeMenu::Selection;
    choice.MultipleSelection = true;
    choice.Targets = SelectedChannels(model);
    choice.Title = "Selected channels: " + std::to_string(choice.Targets.size());
    return choice;
  }
  if (focused <= TChannelTreeModel::kRoot || focused >= static_cast<int>(model.Rows().size()))
    return choice;
  const TTreeRow &row = model.Row(focused);
  if (!row.IsChannel()) {
    choice.Menu = TTreeMenu::Selection;
    choice.Targets = Distinct(model.GroupTargets(focused));
    choice.Title = "Group node: " + row.RowText;
    return choice;
  }
  choice.Menu = slot == 0 ? TTreeMenu::Channel : TTreeMenu::SecondTree;
  return choice;
}

TChannelMenuState ChannelMenuState(const TUiSubsystems &subsystems, const data::TChannelRec &rec,
                                   bool childLockActive, const device::TSlotState &slot0) {
  TChannelMenuState state;
  state.FavEditVisible = static_cast<bool>(subsystems.FavEdit);
  state.FavouriteEnabled = !FavouriteNeedsEditor(rec) || state.FavEditVisible;
  state.LockVisible = !childLockActive;
  state.LockCaption = rec.ChildLock != 0 ? kUnlockChannel : kLockChannel;
  state.RecordVisible = static_cast<bool>(subsystems.RecStartChannel);
  state.ScheduleVisible = static_cast<bool>(subsystems.SchAddJob);
  state.EditVisible = static_cast<bool>(subsystems.EditChannel);
  state.RescanVisible = static_cast<bool>(subsystems.RescanByHandle);
  state.OnPlayingTransponder =
      slot0.Playing() && device::OnSameTransponder(rec, slot0.CurrentChannel);
  return state;
}

bool FavouriteNeedsEditor(const data::TChannelRec &rec) {
  return rec.FavCat[0] != 0 || rec.FavCat[1] != 0 || rec.FavCat[2] != 0;
}

void ToggleLastFavourite(data::TChannelRec &rec) { rec.FavCat[3] = rec.FavCat[3] == 0 ? 1 : 0; }

int PlayingSlotOf(const device::TTuningEngine &engine, std::int32_t handle) {
  for (int slot = 0; slot < device::kAvSlotCount; ++slot)
    if (engine.Slot(slot).CurrentHandle == handle)
      return slot;
  return kNoRecordSlot;
}

std::string DeleteChannelsQuestion(std::size_t count) {
  return "Delete " + std::to_string(count) + " channels ?";
}

std::string AudioChangedText(int count) {
  return "Audio PID was changed for " + std::to_string(count) + " channel(s)";
}

} // namespace qev::ui
