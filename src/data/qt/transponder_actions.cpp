#include "data/qt/transponder_actions.h"

#include "data/qt/form_coverage_info.h"
#include "data/qt/form_transp_select.h"
#include "data/qt/form_transponder.h"
#include "frame/message_boxes.h"

#include <QMenu>
#include <QShortcut>
#include <QTreeWidget>

namespace qev::data {

namespace {

constexpr const char *kSelectOneTp = "Please select one transponder...";

TTpCriteria &KeptCriteria() {
  static TTpCriteria criteria;
  return criteria;
}

} // namespace

TTransponderActions::TTransponderActions(QWidget *owner, TTpActionLinks links)
    : QObject(owner), owner_(owner), links_(std::move(links)) {}

bool TTransponderActions::Valid(int row) {
  if (row >= 0 && row < links_.List().Count())
    return true;
  frame::ShowInformation(kSelectOneTp);
  return false;
}

void TTransponderActions::Add() {
  const std::optional<TTransponder> tp = AskTransponder(owner_, kTpDialogAdd, TTransponder{});
  if (!tp)
    return;
  if (!TpAddUnique(links_.List(), *tp)) {
    frame::ShowWarning(kDuplicateTp);
    return;
  }
  links_.Changed();
}

void TTransponderActions::Edit(int row) {
  if (!Valid(row))
    return;
  const std::optional<TTransponder> tp =
      AskTransponder(owner_, kTpDialogEdit, links_.List().TpGet(row));
  if (!tp)
    return;
  if (!TpEditUnique(links_.List(), row, *tp)) {
    frame::ShowWarning(kDuplicateTp);
    return;
  }
  links_.Changed();
}

void TTransponderActions::Delete(int row) {
  if (!Valid(row) || !frame::Confirm(TpDeleteQuestion(links_.List().TpGet(row))))
    return;
  links_.List().TpDelete(row);
  links_.Changed();
}

void TTransponderActions::DeleteMarked() {
  TSatTransponders &list = links_.List();
  if (list.MarkedCount() == 0 || !frame::Confirm(TpDeleteMarkedQuestion(list.MarkedCount())))
    return;
  list.TpDeleteMarked();
  list.TpSort(kTpOrderFreq);
  links_.Changed();
}

void TTransponderActions::Select(TpSelectRule rule) {
  TpSelect(links_.List(), rule, links_.Blind(), links_.Warned());
  links_.Changed();
}

void TTransponderActions::SelectByCriteria() {
  TFormTranspSelect form(owner_, KeptCriteria());
  if (form.exec() != QDialog::Accepted)
    return;
  KeptCriteria() = form.Criteria();
  TpSelectBy(links_.List(), KeptCriteria(), links_.Blind());
  links_.Changed();
}

void TTransponderActions::Coverage(int row) {
  if (Valid(row))
    ShowCoverage(owner_, coverage_, links_.Position(), links_.List().TpGet(row));
}

void TTransponderActions::FillMenu(QMenu &menu, QTreeWidget &list) {
  const auto row = [&list] { return list.indexOfTopLevelItem(list.currentItem()); };
  const auto item = [&menu, this](const char *name, const char *caption, auto action) {
    QAction *added = menu.addAction(caption);
    added->setObjectName(name);
    connect(added, &QAction::triggered, this, action);
    return added;
  };
  item("AddTpItem", "Add...", [this] { Add(); });
  item("EditTpItem", "Edit...", [this, row] { Edit(row()); });
  item("DeleteTpItem", "Delete", [this, row] { Delete(row()); });
  item("DeleteMarkedTpItem", "Delete selected", [this] { DeleteMarked(); });
  menu.addSeparator();
  QMenu *select = menu.addMenu("Select");
  const struct {
    const char *name, *caption;
    TpSelectRule rule;
  } rules[] = {{"SelectAllItem", "All", TpSelectRule::All},
               {"SelectNoneItem", "None", TpSelectRule::None},
               {"SelectNotBlindItem", "With signal", TpSelectRule::NotBlind},
               {"SelectBlindItem", "Without signal", TpSelectRule::Blind},
               {"SelectInvertItem", "Invert", TpSelectRule::Invert},
               {"SelectWarnedItem", "With warnings", TpSelectRule::Warned}};
  for (const auto &rule : rules) {
    QAction *added = select->addAction(rule.caption);
    added->setObjectName(rule.name);
    connect(added, &QAction::triggered, this, [this, r = rule.rule] { Select(r); });
  }
  QAction *criteria = select->addAction("By criteria...");
  criteria->setObjectName("SelectCriteriaItem");
  connect(criteria, &QAction::triggered, this, [this] { SelectByCriteria(); });
  menu.addSeparator();
  item("CoverageItem", "Coverage", [this, row] { Coverage(row()); });
}

TTransponderActions *InstallTransponderActions(QTreeWidget &list, TTpActionLinks links) {
  auto *actions = new TTransponderActions(&list, std::move(links));
  list.setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(&list, &QTreeWidget::customContextMenuRequested, actions,
                   [actions, &list](const QPoint &at) {
                     QMenu menu(&list);
                     actions->FillMenu(menu, list);
                     menu.exec(list.viewport()->mapToGlobal(at));
                   });
  const auto row = [&list] { return list.indexOfTopLevelItem(list.currentItem()); };
  const auto key = [&list, actions](QKeySequence sequence, auto action) {
    auto *shortcut = new QShortcut(sequence, &list, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(shortcut, &QShortcut::activated, actions, action);
  };
  key(Qt::Key_Insert, [actions] { actions->Add(); });
  key(Qt::Key_F2, [actions, row] { actions->Edit(row()); });
  key(Qt::Key_Delete, [actions, row] { actions->Delete(row()); });
  key(Qt::Key_C, [actions, row] { actions->Coverage(row()); });
  return actions;
}

} // namespace qev::data
