#pragma once

#include "ui/tree_filter_controls.h"

#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;

namespace qev::ui {

// The filter panel over one rule set: grouping and sorting (a rebuild), filters (a refilter),
// the third column (a repaint), "Reset" and a fold button.
class TFrameChTreeFilter : public QWidget {
  Q_OBJECT
public:
  TFrameChTreeFilter(TGSFRules &rules, const std::vector<std::string> &categories, QWidget *parent);

  // Puts the rule set into the controls without reporting changes.
  void LoadRules();
  bool Folded() const;

signals:
  void GroupingChanged();
  void FilterChanged();
  void InfoColumnChanged();
  void FoldChanged(bool folded);
  void HotkeysActiveChanged(bool active);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void BuildControls(const std::vector<std::string> &categories);
  QComboBox *Chooser(const std::vector<const char *> &entries);
  QCheckBox *CheckBox(const char *text);
  TFilterControls Controls() const;
  void OnGrouping();
  void OnFilter();
  void OnInfoColumn();
  void OnReset();
  void SetFolded(bool folded);

  TGSFRules &rules_;
  bool loading_ = false;
  QWidget *body_ = nullptr;
  QComboBox *group1_ = nullptr, *group2_ = nullptr, *sort1_ = nullptr, *sort2_ = nullptr;
  QComboBox *infoCol_ = nullptr, *category_ = nullptr;
  std::vector<QCheckBox *> services_;
  QCheckBox *sub_ = nullptr, *ttx_ = nullptr, *ac3_ = nullptr, *favourite_ = nullptr;
  QLineEdit *name_ = nullptr;
  QToolButton *fold_ = nullptr;
};

} // namespace qev::ui
