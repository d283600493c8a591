#pragma once

#include "frame/options.h"
#include "ui/settings_fields.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <vector>

class QFormLayout;
class QListWidget;
class QStackedWidget;

namespace qev::ui {

struct TSettingsLinks {
  std::filesystem::path OptionsFile;
  // The known filters editor; empty: no button for it.
  std::function<void(QWidget *parent)> KnownFilters;
  // The gesture editor and the child lock's password change; empty: no button for them.
  std::function<void(QWidget *parent)> EditGestures;
  std::function<void(QWidget *parent)> ChangePassword;
  // After the options were taken: whatever can follow a change at once does so.
  std::function<void()> Applied;
};

// The options dialog: one page per subsystem. OK takes the values, saves "Options.cfg" (a
// failure is shown) and has them applied; Cancel leaves the options as they were.
class TFormSettings final : public QDialog {
  Q_OBJECT
public:
  TFormSettings(frame::TOptions &options, TSettingsLinks links, QWidget *parent = nullptr);

  int PageCount() const;
  void ShowPage(int index);
  QListWidget *PageList() const { return pageList_; }
  // The editing widget of an option key.
  QWidget *Editor(const std::string &key) const;
  // The values as the widgets hold them.
  frame::TOptions Edited() const;

  void accept() override;

private:
  struct TEditor {
    const TSettingsField *Field;
    QWidget *Widget;
  };
  QWidget *MakePage(const TSettingsPage &page);
  QWidget *MakeEditor(const TSettingsField &field, const TFieldValue &value);
  void AddPageButton(QFormLayout &form, const char *text, const char *name,
                     const std::function<void(QWidget *)> &open);

  frame::TOptions &options_;
  TSettingsLinks links_;
  QListWidget *pageList_;
  QStackedWidget *pages_;
  std::vector<TEditor> editors_;
};

} // namespace qev::ui
