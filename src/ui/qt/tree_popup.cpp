#include "ui/qt/tree_popup.h"

#include <QAction>
#include <QMenu>
#include <QTreeView>

namespace qev::ui {

TDMTreePopup::TDMTreePopup(QTreeView &view, TChannelTreeModel &tree, TUiContext &context, int slot)
    : QObject(&view), view_(view), tree_(tree), context_(context), slot_(slot),
      actions_(context, slot) {
  BuildChannelMenu();
  BuildSecondMenu();
  BuildSelectionMenu();
  connect(&view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { Show(at); });
  // The channel menu's keys follow the focused channel, as the menu would.
  connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { PrepareChannelMenu(); });
  PrepareChannelMenu();
}

QAction *TDMTreePopup::Add(QMenu &menu, const char *text, std::function<void()> action,
                           const QKeySequence &keys) {
  QAction *item = menu.addAction(QString::fromUtf8(text));
  item->setShortcut(keys);
  connect(item, &QAction::triggered, this, std::move(action));
  return item;
}

void TDMTreePopup::BuildChannelMenu() {
  channelMenu_ = new QMenu(&view_);
  channelMenu_->setObjectName(QStringLiteral("ChannelMenu"));
  QMenu &m = *channelMenu_;
  favourite_ = Add(
      m, "Favourite", [this] { actions_.Favourite(); }, Qt::Key_F3);
  favEdit_ = Add(
      m, "Favourites...", [this] { actions_.FavouritesEdit(); },
      QKeySequence(Qt::CTRL | Qt::Key_F3));
  lock_ = Add(m, kLockChannel, [this] { actions_.ToggleLock(); });
  m.addSeparator();
  record_ = Add(m, "Record", [this] { actions_.Record(); });
  schedule_ = Add(m, "Schedule", [this] { actions_.Schedule(); });
  m.addSeparator();
  edit_ = Add(
      m, "Edit...", [this] { actions_.Edit(); }, Qt::Key_F4);
  Add(
      m, "Delete", [this] { actions_.Delete(); }, Qt::Key_F8);
  rescan_ = Add(
      m, "Rescan", [this] { actions_.Rescan(); }, Qt::Key_F5);
  if (slot_ != 0)
    return;
  // The keys work without the menu while the tree has the focus.
  for (QAction *item : channelMenu_->actions()) {
    if (item->shortcut().isEmpty())
      continue;
    item->setShortcutContext(Qt::WidgetShortcut);
    view_.addAction(item);
  }
  connect(channelMenu_, &QMenu::aboutToShow, this, [this] { PrepareChannelMenu(); });
}

void TDMTreePopup::BuildSecondMenu() {
  secondMenu_ = new QMenu(&view_);
  secondMenu_->setObjectName(QStringLiteral("SecondTreeMenu"));
  const auto focusedKey = [this] {
    const int row = tree_.FocusedRow();
    return row > TChannelTreeModel::kRoot ? tree_.Row(row).RowKey : 0;
  };
  Add(*secondMenu_, "Show in output 2",
      [this, focusedKey] { actions_.ShowInOutput2(focusedKey()); });
  Add(*secondMenu_, "Find channel", [this, focusedKey] { actions_.FindChannel(focusedKey()); });
}

void TDMTreePopup::BuildSelectionMenu() {
  selectionMenu_ = new QMenu(&view_);
  selectionMenu_->setObjectName(QStringLiteral("SelectionMenu"));
  QMenu &m = *selectionMenu_;
  title_ = m.addSection(QString());
  Add(m, "Delete all", [this] { RunSelection(&TTreeMenuActions::DeleteAll); });
  setFavourites_ =
      Add(m, "Set favourites...", [this] { RunSelection(&TTreeMenuActions::SetFavourites); });
  profile_ = Add(m, "Change plugin profile...",
                 [this] { RunSelection(&TTreeMenuActions::ChangeProfile); });
  Add(m, "Preferred audio language", [this] { RunSelection(&TTreeMenuActions::PreferredAudio); });
}

void TDMTreePopup::PrepareChannelMenu() {
  const TChannelMenuState state =
      ChannelMenuState(context_.Subsystems, context_.Engine.Slot(slot_).SelectedChannel,
                       context_.ChildLockActive(), context_.Engine.Slot(0));
  favourite_->setEnabled(state.FavouriteEnabled);
  favEdit_->setVisible(state.FavEditVisible);
  lock_->setVisible(state.LockVisible);
  lock_->setText(QString::fromStdString(state.LockCaption));
  record_->setVisible(state.RecordVisible);
  record_->setEnabled(state.OnPlayingTransponder);
  schedule_->setVisible(state.ScheduleVisible);
  edit_->setVisible(state.EditVisible);
  rescan_->setVisible(state.RescanVisible);
  rescan_->setEnabled(state.OnPlayingTransponder);
}

QMenu *TDMTreePopup::PreparedMenu() {
  choice_ = ChooseTreeMenu(tree_, slot_);
  switch (choice_.Menu) {
  case TTreeMenu::Channel:
    PrepareChannelMenu();
    return channelMenu_;
  case TTreeMenu::SecondTree:
    return secondMenu_;
  case TTreeMenu::Selection:
    title_->setText(QString::fromStdString(choice_.Title));
    setFavourites_->setVisible(static_cast<bool>(context_.Subsystems.FavEdit));
    profile_->setVisible(static_cast<bool>(context_.Subsystems.SelectProfile));
    return selectionMenu_;
  case TTreeMenu::None:
    break;
  }
  return nullptr;
}

void TDMTreePopup::RunSelection(
    bool (TTreeMenuActions::*action)(const std::vector<std::int32_t> &)) {
  const TTreeMenuChoice choice = choice_;
  if ((actions_.*action)(choice.Targets) && choice.MultipleSelection)
    view_.clearSelection();
}

void TDMTreePopup::Show(const QPoint &at) {
  if (QMenu *menu = PreparedMenu())
    menu->popup(view_.viewport()->mapToGlobal(at));
}

} // namespace qev::ui
