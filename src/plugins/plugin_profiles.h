#pragma once
// Plugin profiles: named sets of per-slot enable states kept in "Plugins.cfg", one section per
// profile ("Profile_01" .. "Profile_63"). Profile 0 is the built-in "Default" and never stored.

#include "plugins/plugin_table.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qev::plugins {

inline constexpr int kProfileCount = 64;
inline constexpr int kNoProfile = 255; // the current profile before the first apply
inline constexpr const char *kDefaultProfileName = "Default";
inline constexpr const char *kErrorProfileName = "<Error>";
inline constexpr const char *kDisabledProfileName = "<Disabled>"; // a channel without a profile
inline constexpr const char *kSelectProfileTitle = "Select Profile";

// Per-slot states in a mask nibble.
inline constexpr int kStateDisabled = 0;
inline constexpr int kStateEnabled = 1;
inline constexpr int kStateNoChange = 2;
inline constexpr std::uint16_t kEditorMask = 0x2222;  // a new plugin in the editor: no change
inline constexpr std::uint16_t kAppliedMask = 0x3333; // a plugin the profile does not name

using TSlotNames = std::array<std::string, kPluginSlots>;

// Case-insensitive ordering for library names as keys.
struct TNoCaseLess {
  bool operator()(const std::string &a, const std::string &b) const;
};

// One stored profile.
struct TPluginProfile {
  std::string Description;
  TSlotNames KeyLClick{};
  TSlotNames KeyRClick{};
  std::map<std::string, std::uint16_t, TNoCaseLess> Masks; // by library name
};

bool ValidProfile(int number);
// "Profile_" + the number as two digits.
std::string ProfileSection(int number);
// The nibble of the slot; slots outside 0..3 give "no change".
int SlotState(std::uint16_t mask, int slot);
std::uint16_t WithSlotState(std::uint16_t mask, int slot, int state);
// "a,b,,," from four names (each trimmed, each followed by ","), and back.
std::string JoinSlotNames(const TSlotNames &names);
TSlotNames SplitSlotNames(const std::string &text);

// The profile names, kept in memory for the choosers and key-click lists, and the reading and
// writing of profile sections.
class TPluginProfiles {
public:
  explicit TPluginProfiles(std::filesystem::path pluginsCfg) : file_(std::move(pluginsCfg)) {}

  // Reads every profile's description; profile 0 is "Default".
  void LoadNames();
  // The name, "" for a profile that does not exist, "<Error>" outside 0..63.
  std::string Name(int number) const;
  bool Exists(int number) const;
  // Existing profiles 1..63 sorted by name (case-insensitively), with their numbers.
  std::vector<std::pair<int, std::string>> SortedNames() const;
  // The choosers: first (0, "<Disabled>") for a channel's profile, or (0, "Default") for the
  // profile to apply, then SortedNames.
  std::vector<std::pair<int, std::string>> ChannelChoices() const;
  std::vector<std::pair<int, std::string>> ApplyChoices() const;
  // The lowest number 1..63 without a name, or -1 when all are taken.
  int FirstFree() const;
  // Another profile (not number) already carries the description, compared ignoring case.
  bool DescriptionTaken(const std::string &description, int number) const;

  // A profile's section; masks only for the names listed (missing ones get defaultMask).
  TPluginProfile Read(int number, const std::vector<std::string> &libraries,
                      std::uint16_t defaultMask) const;
  // Write the profile's section (1..63) and keep its name; returns an error text, empty on
  // success (the name is kept only then).
  std::string Write(int number, const TPluginProfile &profile);
  std::string Erase(int number);

  const std::filesystem::path &File() const { return file_; }

private:
  std::filesystem::path file_;
  std::array<std::string, kProfileCount> names_{kDefaultProfileName};
};

} // namespace qev::plugins
