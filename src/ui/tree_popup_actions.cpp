#include "ui/tree_popup_actions.h"

#include "frame/message_boxes.h"
#include "ui/tree_popup_rules.h"

#include <cstring>

namespace qev::ui {
namespace {

// Caller's values of StoreEditedChannel.
constexpr std::intptr_t kStoredFavourites = 1;
constexpr std::intptr_t kStoredLock = 2;
constexpr std::intptr_t kStoredWhole = 0xFFFF;

constexpr int kSecondOutput = 2;

} // namespace

void TTreeMenuActions::Store(data::TChannelRec &rec, std::intptr_t callerValue) {
  context_.Engine.StoreEditedChannel(context_.Engine.Slot(slot_).SelectedHandle, rec, callerValue);
}

void TTreeMenuActions::Favourite() {
  data::TChannelRec rec = context_.Engine.Slot(slot_).SelectedChannel;
  if (FavouriteNeedsEditor(rec)) {
    FavouritesEdit();
    return;
  }
  ToggleLastFavourite(rec);
  Store(rec, kStoredFavourites);
}

void TTreeMenuActions::FavouritesEdit() {
  data::TChannelRec rec = context_.Engine.Slot(slot_).SelectedChannel;
  if (context_.Subsystems.FavEdit && context_.Subsystems.FavEdit(rec.FavCat))
    Store(rec, kStoredFavourites);
}

void TTreeMenuActions::ToggleLock() {
  if (context_.ChildLockActive())
    return;
  data::TChannelRec rec = context_.Engine.Slot(slot_).SelectedChannel;
  rec.ChildLock = rec.ChildLock != 0 ? 0 : 1;
  Store(rec, kStoredLock);
}

void TTreeMenuActions::Record() {
  const auto &slot = context_.Engine.Slot(slot_);
  if (context_.Subsystems.RecStartChannel)
    context_.Subsystems.RecStartChannel(
        slot.SelectedChannel, PlayingSlotOf(context_.Engine, slot.SelectedHandle), 0, true);
}

void TTreeMenuActions::Schedule() {
  if (context_.Subsystems.SchAddJob)
    context_.Subsystems.SchAddJob(context_.Engine.Slot(slot_).SelectedChannel, {});
}

void TTreeMenuActions::Edit() {
  data::TChannelRec rec = context_.Engine.Slot(slot_).SelectedChannel;
  if (context_.Subsystems.EditChannel && context_.Subsystems.EditChannel(rec))
    Store(rec, kStoredWhole);
}

void TTreeMenuActions::Delete() {
  const std::int32_t handle = context_.Engine.Slot(slot_).SelectedHandle;
  if (handle > 0)
    context_.Lists.ChannelDelete(handle);
}

void TTreeMenuActions::Rescan() {
  const std::int32_t handle = context_.Engine.Slot(slot_).SelectedHandle;
  if (context_.Subsystems.RescanByHandle && handle > 0)
    context_.Subsystems.RescanByHandle(handle);
}

void TTreeMenuActions::ShowInOutput2(std::int32_t handle) {
  context_.Engine.SwitchChannel(kSecondOutput, handle, true);
}

void TTreeMenuActions::FindChannel(std::int32_t handle) {
  context_.Engine.SelectSlotChannel(0, handle, 1);
}

bool TTreeMenuActions::ChangeAll(const std::vector<std::int32_t> &targets, bool compact,
                                 const TChange &change) {
  bool changed = false;
  for (const std::int32_t handle : targets) {
    const auto decoded = data::DecodeChannelHandle(handle);
    data::TChannelsList *list = decoded ? context_.Lists.ListOf(decoded->SatIndex) : nullptr;
    if (list == nullptr || !list->IndexValid(decoded->Position))
      continue;
    data::TChannelRec rec = list->Item(decoded->Position);
    changed = change(*list, decoded->Position, rec) || changed;
  }
  context_.Lists.ListsSaveModified(compact);
  return changed;
}

bool TTreeMenuActions::DeleteAll(const std::vector<std::int32_t> &targets) {
  if (targets.empty() || !frame::Confirm(DeleteChannelsQuestion(targets.size())))
    return false;
  return ChangeAll(targets, true, [](data::TChannelsList &list, int position, data::TChannelRec &) {
    list.ListMarkDeleted(position);
    return true;
  });
}

bool TTreeMenuActions::SetFavourites(const std::vector<std::int32_t> &targets) {
  std::uint8_t favCat[4] = {0, 0, 0, 0};
  if (targets.empty() || !context_.Subsystems.FavEdit || !context_.Subsystems.FavEdit(favCat))
    return false;
  return ChangeAll(targets, false, [&](data::TChannelsList &list, int position, auto &rec) {
    std::memcpy(rec.FavCat, favCat, sizeof favCat);
    list.ListSet(position, rec);
    return true;
  });
}

bool TTreeMenuActions::ChangeProfile(const std::vector<std::int32_t> &targets) {
  int profile = 0;
  if (targets.empty() || !context_.Subsystems.SelectProfile ||
      !context_.Subsystems.SelectProfile(profile))
    return false;
  return ChangeAll(targets, false, [&](data::TChannelsList &list, int position, auto &rec) {
    rec.PlgProfile = static_cast<std::uint8_t>(profile);
    list.ListSet(position, rec);
    return true;
  });
}

bool TTreeMenuActions::PreferredAudio(const std::vector<std::int32_t> &targets) {
  if (targets.empty())
    return false;
  int count = 0;
  const bool changed =
      ChangeAll(targets, false, [&](data::TChannelsList &list, int position, auto &rec) {
        if (!data::SelectPreferredAudio(rec, context_.Options.Session.PrefLangs))
          return false;
        list.ListSet(position, rec);
        ++count;
        return true;
      });
  frame::ShowInformation(AudioChangedText(count));
  return changed;
}

} // namespace qev::ui
