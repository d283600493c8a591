#pragma once
// The rules of the profile editor: which number a new profile takes, what may not be edited or
// deleted, what a description must be, and the profile being edited.

#include "plugins/plugin_profiles.h"

#include <optional>
#include <string>
#include <vector>

namespace qev::plugins {

inline constexpr const char *kDefaultNotEditable = "Default profile cannot be edited...";
inline constexpr const char *kDefaultNotDeletable = "Default profile cannot be deleted...";
inline constexpr const char *kNoDescription = "No description...";
inline constexpr const char *kDuplicateDescription = "Duplicate description !";

// "Delete plugins profile ?", two line breaks, "[" + number + "] " + name.
std::string DeleteProfileQuestion(int number, const std::string &name);

// Asks and erases a profile; profile 0 is refused with a warning, a failed save is shown as an
// error. True when the profile was erased.
bool DeleteProfile(TPluginProfiles &profiles, int number);

class TProfileEditorModel {
public:
  // A new profile takes the lowest free number; nothing (and the editor does not open) when all
  // 63 are taken.
  static std::optional<TProfileEditorModel> ForNew(TPluginProfiles &profiles,
                                                   std::vector<std::string> known);
  // An existing profile; profile 0 is refused with a warning.
  static std::optional<TProfileEditorModel> ForEdit(TPluginProfiles &profiles, int number,
                                                    std::vector<std::string> known);

  int Number() const { return number_; }
  std::string NumberText() const; // two digits
  const std::vector<std::string> &Known() const { return known_; }
  TPluginProfile &Profile() { return profile_; }
  const TPluginProfile &Profile() const { return profile_; }

  int State(const std::string &library, int slot) const;
  // Replaces only that slot's nibble of the library's mask.
  void SetState(const std::string &library, int slot, int state);

  // The message that keeps the editor open, empty when the description may be stored.
  std::string Check() const;
  // Stores the profile; an error text, empty on success.
  std::string Save();

private:
  TProfileEditorModel(TPluginProfiles &profiles, int number, std::vector<std::string> known);

  TPluginProfiles *profiles_;
  int number_;
  std::vector<std::string> known_;
  TPluginProfile profile_;
};

} // namespace qev::plugins
