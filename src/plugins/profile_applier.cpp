#include "plugins/profile_applier.h"

#include "frame/message_boxes.h"
#include "frame/notification_hub.h"
#include "frame/stopwatch.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

namespace qev::plugins {
int FindPlugin(const IPluginTable &table, int slot, std::string_view name) {
  const std::string wanted = frame::Trim(name);
  if (wanted.empty())
    return -1;
  for (int index = 0; index < table.Count(); ++index) {
    const auto &entry = table.Entry(index);
    if (entry.AvSlot == slot && frame::EqualsNoCase(entry.DllName, wanted))
      return index;
  }
  return -1;
}

std::string ProfileAppliedLine(int number, long long ms) {
  return fmt::format("Plugins profile [{}] applyed in {} ms", number, ms);
}

std::string NoMenuIdWarning(std::string_view name) {
  return fmt::format("[ {} ] has no MenuID defined...", name);
}

TProfileApplier::TProfileApplier(IPluginTable &table, TPluginProfiles &profiles,
                                 TProfileHostLinks links)
    : table_(table), profiles_(profiles), links_(std::move(links)) {}

bool TProfileApplier::ApplyProfile(int number, bool notify) {
  // A refused number never becomes current, so a later valid apply of the old one still runs.
  if (!ValidProfile(number) || number == current_)
    return false;
  current_ = number;
  const auto start = frame::StopwatchNow();
  std::vector<std::string> libraries;
  for (int index = 0; index < table_.Count(); ++index)
    libraries.push_back(table_.Entry(index).DllName);
  const TPluginProfile profile = profiles_.Read(number, libraries, kAppliedMask);
  keyLeft_ = profile.KeyLClick;
  keyRight_ = profile.KeyRClick;
  for (int index = 0; index < table_.Count(); ++index) {
    const int state = StateFor(profile, number, table_.Entry(index));
    if (state == kStateDisabled || state == kStateEnabled)
      table_.SetPluginEnabled(index, state == kStateEnabled, notify);
  }
  if (links_.StoreStartProfile)
    links_.StoreStartProfile(number);
  if (links_.Log)
    links_.Log(ProfileAppliedLine(number, frame::ElapsedMs(start)));
  frame::NotifyGlobal(frame::kNotifyPluginHost, kProfileApplied, number);
  return true;
}

int TProfileApplier::StateFor(const TPluginProfile &profile, int number,
                              const TPluginEntry &entry) const {
  if (number == 0)
    return links_.LoadEnabled && links_.LoadEnabled() ? kStateEnabled : kStateDisabled;
  const auto found = profile.Masks.find(entry.DllName);
  const std::uint16_t mask = found == profile.Masks.end() ? kAppliedMask : found->second;
  return SlotState(mask, entry.AvSlot);
}

void TProfileApplier::KeyClick(int slot, int button) {
  if (slot < 0 || slot >= kPluginSlots || (button != 0 && button != 1))
    return;
  const std::string &name = KeyClicks(button)[slot];
  const int index = FindPlugin(table_, slot, name);
  if (index < 0)
    return;
  const auto id = table_.Entry(index).MonitorMenuId;
  if (id > 0)
    table_.MenuSelect(index, id);
  else
    frame::ShowWarning(NoMenuIdWarning(name));
}

} // namespace qev::plugins
