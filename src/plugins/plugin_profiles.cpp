#include "plugins/plugin_profiles.h"

#include "frame/case_fold.h"
#include "frame/fast_ini_file.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <fmt/format.h>

namespace qev::plugins {
namespace {

constexpr const char *kDescriptionKey = "Description";
constexpr const char *kKeyLClick = "KeyLClick";
constexpr const char *kKeyRClick = "KeyRClick";

std::u32string Folded(std::string_view text) {
  std::u32string folded;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto c = frame::NextCodePoint(text, pos);
    folded.push_back(c ? frame::FoldCase(*c) : 0xFFFD);
  }
  return folded;
}

} // namespace

bool TNoCaseLess::operator()(const std::string &a, const std::string &b) const {
  return Folded(a) < Folded(b);
}

bool ValidProfile(int number) { return number >= 0 && number < kProfileCount; }

std::string ProfileSection(int number) { return fmt::format("Profile_{:02}", number); }

int SlotState(std::uint16_t mask, int slot) {
  if (slot < 0 || slot >= kPluginSlots)
    return kStateNoChange;
  return (mask >> (slot * 4)) & 0xF;
}

std::uint16_t WithSlotState(std::uint16_t mask, int slot, int state) {
  if (slot < 0 || slot >= kPluginSlots)
    return mask;
  const int shift = slot * 4;
  return static_cast<std::uint16_t>((mask & ~(0xF << shift)) | ((state & 0xF) << shift));
}

std::string JoinSlotNames(const TSlotNames &names) {
  std::string text;
  for (const auto &name : names)
    text += frame::Trim(name) + ",";
  return text;
}

TSlotNames SplitSlotNames(const std::string &text) {
  TSlotNames names{};
  std::size_t start = 0;
  for (auto &name : names) {
    if (start > text.size())
      break;
    const std::size_t comma = text.find(',', start);
    name = frame::Trim(std::string_view(text).substr(start, comma - start));
    start = comma == std::string::npos ? text.size() + 1 : comma + 1;
  }
  return names;
}

void TPluginProfiles::LoadNames() {
  frame::TFastIniFile ini(file_);
  names_[0] = kDefaultProfileName;
  for (int number = 1; number < kProfileCount; ++number)
    names_[number] = frame::Trim(ini.ReadString(ProfileSection(number), kDescriptionKey, ""));
}

std::string TPluginProfiles::Name(int number) const {
  return ValidProfile(number) ? names_[number] : kErrorProfileName;
}

bool TPluginProfiles::Exists(int number) const {
  return ValidProfile(number) && !names_[number].empty();
}

std::vector<std::pair<int, std::string>> TPluginProfiles::SortedNames() const {
  std::vector<std::pair<int, std::string>> sorted;
  for (int number = 1; number < kProfileCount; ++number)
    if (!names_[number].empty())
      sorted.emplace_back(number, names_[number]);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto &a, const auto &b) { return TNoCaseLess{}(a.second, b.second); });
  return sorted;
}

std::vector<std::pair<int, std::string>> TPluginProfiles::ChannelChoices() const {
  auto choices = SortedNames();
  choices.emplace(choices.begin(), 0, kDisabledProfileName);
  return choices;
}

std::vector<std::pair<int, std::string>> TPluginProfiles::ApplyChoices() const {
  auto choices = SortedNames();
  choices.emplace(choices.begin(), 0, names_[0]);
  return choices;
}

int TPluginProfiles::FirstFree() const {
  for (int number = 1; number < kProfileCount; ++number)
    if (names_[number].empty())
      return number;
  return -1;
}

bool TPluginProfiles::DescriptionTaken(const std::string &description, int number) const {
  const std::string wanted = frame::Trim(description);
  for (int other = 0; other < kProfileCount; ++other)
    if (other != number && !names_[other].empty() && frame::EqualsNoCase(names_[other], wanted))
      return true;
  return false;
}

TPluginProfile TPluginProfiles::Read(int number, const std::vector<std::string> &libraries,
                                     std::uint16_t defaultMask) const {
  TPluginProfile profile;
  if (number <= 0 || number >= kProfileCount) {
    for (const auto &library : libraries)
      profile.Masks.emplace(library, defaultMask);
    return profile;
  }
  frame::TFastIniFile ini(file_);
  const std::string section = ProfileSection(number);
  profile.Description = frame::Trim(ini.ReadString(section, kDescriptionKey, ""));
  profile.KeyLClick = SplitSlotNames(ini.ReadString(section, kKeyLClick, ""));
  profile.KeyRClick = SplitSlotNames(ini.ReadString(section, kKeyRClick, ""));
  for (const auto &library : libraries) {
    const auto mask = ini.ReadInteger(section, library, defaultMask);
    profile.Masks.emplace(library, static_cast<std::uint16_t>(mask));
  }
  return profile;
}

std::string TPluginProfiles::Write(int number, const TPluginProfile &profile) {
  if (number <= 0 || number >= kProfileCount)
    return fmt::format("Profile {} cannot be stored", number);
  frame::TFastIniFile ini(file_);
  const std::string section = ProfileSection(number);
  const std::string description = frame::Trim(profile.Description);
  bool written = ini.WriteString(section, kDescriptionKey, description) &&
                 ini.WriteString(section, kKeyLClick, JoinSlotNames(profile.KeyLClick)) &&
                 ini.WriteString(section, kKeyRClick, JoinSlotNames(profile.KeyRClick));
  for (const auto &[library, mask] : profile.Masks)
    written = ini.WriteHex16(section, library, mask) && written;
  if (!written)
    return fmt::format("Profile {} cannot be stored in {}", number, file_.string());
  if (ini.Unreadable())
    return fmt::format("{} cannot be read, so it is not written", file_.string());
  std::string error = ini.UpdateFile();
  if (error.empty())
    names_[number] = description;
  return error;
}

std::string TPluginProfiles::Erase(int number) {
  if (number <= 0 || number >= kProfileCount)
    return fmt::format("Profile {} cannot be deleted", number);
  frame::TFastIniFile ini(file_);
  ini.EraseSection(ProfileSection(number));
  if (ini.Unreadable())
    return fmt::format("{} cannot be read, so it is not written", file_.string());
  std::string error = ini.UpdateFile();
  if (error.empty())
    names_[number].clear();
  return error;
}

} // namespace qev::plugins
