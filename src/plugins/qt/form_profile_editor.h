#pragma once
// The plugin profile editor: a profile's description, the state of every known plugin per AV
// slot and the key-click plugins of each slot.

#include "plugins/profile_editor_model.h"

#include <QDialog>

#include <array>
#include <optional>

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace qev::plugins {

class TFormProfileEditor final : public QDialog {
  Q_OBJECT
public:
  TFormProfileEditor(TProfileEditorModel model, QWidget *parent);

  const TProfileEditorModel &Model() const { return model_; }
  // The slot whose states the list shows.
  void ShowSlot(int slot);

  void accept() override;

private:
  void FillStates();
  void StateChanged(QTreeWidgetItem *item);
  void TakeKeyClicks();

  TProfileEditorModel model_;
  QLineEdit *description_;
  QComboBox *slot_;
  QTreeWidget *states_;
  std::array<QComboBox *, kPluginSlots> keyLeft_{};
  std::array<QComboBox *, kPluginSlots> keyRight_{};
  bool filling_ = false;
};

// Opens the editor for a new profile (number empty) or an existing one. The number stored, or
// nothing when the editor was refused or cancelled.
std::optional<int> EditPluginProfile(QWidget *parent, TPluginProfiles &profiles,
                                     std::optional<int> number,
                                     const std::vector<std::string> &known);

// "Select Profile": "<Disabled>" first, then the profiles sorted by name. True with the chosen
// number when confirmed.
bool SelectPluginProfile(QWidget *parent, const TPluginProfiles &profiles, int &profile);

} // namespace qev::plugins
