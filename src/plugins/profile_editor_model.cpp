#include "plugins/profile_editor_model.h"

#include "frame/message_boxes.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

namespace qev::plugins {

std::string DeleteProfileQuestion(int number, const std::string &name) {
  return fmt::format("Delete plugins profile ?\n\n[{}] {}", number, name);
}

bool DeleteProfile(TPluginProfiles &profiles, int number) {
  if (number == 0) {
    frame::ShowWarning(kDefaultNotDeletable);
    return false;
  }
  if (!profiles.Exists(number) ||
      !frame::Confirm(DeleteProfileQuestion(number, profiles.Name(number))))
    return false;
  if (const auto error = profiles.Erase(number); !error.empty()) {
    frame::ShowError(error);
    return false;
  }
  return true;
}

std::optional<TProfileEditorModel> TProfileEditorModel::ForNew(TPluginProfiles &profiles,
                                                               std::vector<std::string> known) {
  const int number = profiles.FirstFree();
  if (number < 0)
    return std::nullopt;
  return TProfileEditorModel(profiles, number, std::move(known));
}

std::optional<TProfileEditorModel> TProfileEditorModel::ForEdit(TPluginProfiles &profiles,
                                                                int number,
                                                                std::vector<std::string> known) {
  if (number == 0) {
    frame::ShowWarning(kDefaultNotEditable);
    return std::nullopt;
  }
  if (!profiles.Exists(number))
    return std::nullopt;
  return TProfileEditorModel(profiles, number, std::move(known));
}

TProfileEditorModel::TProfileEditorModel(TPluginProfiles &profiles, int number,
                                         std::vector<std::string> known)
    : profiles_(&profiles), number_(number), known_(std::move(known)),
      profile_(profiles.Read(number, known_, kEditorMask)) {}

std::string TProfileEditorModel::NumberText() const { return fmt::format("{:02}", number_); }

int TProfileEditorModel::State(const std::string &library, int slot) const {
  const auto found = profile_.Masks.find(library);
  return SlotState(found == profile_.Masks.end() ? kEditorMask : found->second, slot);
}

void TProfileEditorModel::SetState(const std::string &library, int slot, int state) {
  auto [entry, added] = profile_.Masks.emplace(library, kEditorMask);
  entry->second = WithSlotState(entry->second, slot, state);
}

std::string TProfileEditorModel::Check() const {
  const std::string description = frame::Trim(profile_.Description);
  if (description.empty())
    return kNoDescription;
  if (profiles_->DescriptionTaken(description, number_))
    return kDuplicateDescription;
  return {};
}

std::string TProfileEditorModel::Save() { return profiles_->Write(number_, profile_); }

} // namespace qev::plugins
