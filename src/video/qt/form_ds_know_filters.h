#pragma once

#include "video/known_filters.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>

class QComboBox;
class QTreeWidget;

namespace qev::video {

// The known filters list by kind: add a system filter, delete one; a changed list is saved to
// its file on close.
class TFormDsKnowFilters final : public QDialog {
  Q_OBJECT
public:
  // Asks the user for a filter of a kind; the picker dialog by default.
  using TPicker = std::function<std::optional<TKnownFilter>(int kind)>;

  TFormDsKnowFilters(TKnownFilterList &list, IFilterRegistry &registry, std::filesystem::path file,
                     QWidget *parent = nullptr);

  void SetPicker(TPicker picker) { picker_ = std::move(picker); }
  int Kind() const;
  void SelectKind(int kind);
  void Add();
  void DeleteFocused();
  bool Changed() const { return changed_; }
  QTreeWidget *Rows() const { return rows_; }

protected:
  void done(int result) override;

private:
  void Refresh();

  TKnownFilterList &list_;
  IFilterRegistry &registry_;
  const std::filesystem::path file_;
  TPicker picker_;
  QComboBox *kinds_;
  QTreeWidget *rows_;
  bool changed_ = false;
};

} // namespace qev::video
