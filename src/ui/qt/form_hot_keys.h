#pragma once

#include "ui/hotkey_table.h"

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace qev::ui {

class THotKeys;

inline constexpr const char *kHintKeys = "Press key(s)...";
inline constexpr const char *kHintRemote = "Press button on RC...";

// The capture of one key or remote button: key columns take the name of every key pressed
// anywhere in the program while it is open (Enter and Esc included, so OK is a click);
// remote columns take the buttons of first presses. The clear button empties the field.
class TFormKeyCapture final : public QDialog {
  Q_OBJECT
public:
  TFormKeyCapture(const std::string &actionName, TKeyField field, const std::string &value,
                  QWidget *parent);
  ~TFormKeyCapture() override;

  std::string Value() const;
  // A button of the remote control while the dialog is open.
  void RemoteButton(const std::string &button, int repeat);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  const bool remote_;
  QLineEdit *value_ = nullptr;
};

// The hotkey editor: the actions by group with their two keys and two remote buttons. A double
// click on a key or button opens the capture; the table is saved when the editor closes. While
// it is open the remote's buttons go to it instead of the main window.
class TFormHotKeys final : public QDialog {
  Q_OBJECT
public:
  TFormHotKeys(THotKeys &hotKeys, QWidget *parent);
  ~TFormHotKeys() override;

  // Opens the capture for the action's field (column 1..4) and stores its result.
  void EditField(QTreeWidgetItem *item, int column);
  // The capture dialog while it is open (tests drive it).
  TFormKeyCapture *Capture() const { return capture_; }
  QTreeWidget *Tree() const { return tree_; }

private:
  void Fill();
  void ShowRow(QTreeWidgetItem &item, const THotKeyAction &action);

  THotKeys &hotKeys_;
  std::function<void(const std::string &, int)> previousRemote_;
  QTreeWidget *tree_ = nullptr;
  TFormKeyCapture *capture_ = nullptr;
};

// Opens the editor modally and saves the table when it closes; a failed save is shown.
void OpenHotKeysEditor(THotKeys &hotKeys, QWidget *parent);

} // namespace qev::ui
