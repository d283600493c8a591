#pragma once

#include "device/tuning_engine.h"
#include "ui/channel_tree_model.h"
#include "ui/ui_context.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::ui {

enum class TTreeMenu { None, Channel, SecondTree, Selection };

// The menu a right click on the tree opens, with what it acts on.
struct TTreeMenuChoice {
  TTreeMenu Menu = TTreeMenu::None;
  std::string Title;                 // of the selection menu
  std::vector<std::int32_t> Targets; // of the selection menu: distinct channels, tree order
  bool MultipleSelection = false;    // cleared after a selection action
};

// A group row's targets are its shown channels; a multiple selection's are its channel rows. A
// channel listed under several groups is one target, so the count is the number of channels
// an action really touches.
TTreeMenuChoice ChooseTreeMenu(const TChannelTreeModel &model, int slot);

// What the channel menu offers for a record; items of absent subsystems are not visible.
struct TChannelMenuState {
  bool FavouriteEnabled = true; // F3 may need the favourites editor
  bool FavEditVisible = false;
  bool LockVisible = false;
  std::string LockCaption;
  bool RecordVisible = false;
  bool ScheduleVisible = false;
  bool EditVisible = false;
  bool RescanVisible = false;
  bool OnPlayingTransponder = false; // record and rescan are enabled only then
};

TChannelMenuState ChannelMenuState(const TUiSubsystems &subsystems, const data::TChannelRec &rec,
                                   bool childLockActive, const device::TSlotState &slot0);

inline constexpr const char *kLockChannel = "Lock Channel";
inline constexpr const char *kUnlockChannel = "UnLock Channel";

// F3 edits in the favourites editor once any of the first three places is used; before that it
// only switches the last place between no favourite and favourite 1.
bool FavouriteNeedsEditor(const data::TChannelRec &rec);
void ToggleLastFavourite(data::TChannelRec &rec);

// The AV slot that plays the channel, kNoRecordSlot when none does.
inline constexpr int kNoRecordSlot = 255;
int PlayingSlotOf(const device::TTuningEngine &engine, std::int32_t handle);

std::string DeleteChannelsQuestion(std::size_t count);
std::string AudioChangedText(int count);

} // namespace qev::ui
