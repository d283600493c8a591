#include "ui/qt/frame_chan_tree.h"

#include "ui/qt/chan_tree_filter.h"
#include "ui/qt/chan_tree_item_model.h"
#include "ui/qt/chan_tree_nav_bar.h"
#include "ui/qt/chan_tree_view.h"
#include "ui/qt/tree_popup.h"
#include "ui/tree_row_style.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include <chrono>

namespace qev::ui {
namespace {

using frame::NotificationIndex;

constexpr std::intptr_t kWholeRecordEdited = 0xFFFF;
constexpr NotificationIndex kFollowed[] = {frame::kNotifyListsChanged, frame::kNotifySwitchProgress,
                                           frame::kNotifyChannelSelected,
                                           frame::kNotifyChannelStored, frame::kNotifyChildLock};

qint64 Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// Sets a flag for as long as it lives, and back to what it was afterwards.
class TFlagScope {
public:
  explicit TFlagScope(bool &flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope &) = delete;
  TFlagScope &operator=(const TFlagScope &) = delete;

private:
  bool &flag_;
  bool old_;
};

} // namespace

class TFrameChanTree::TImpl {
public:
  TImpl(TFrameChanTree &frame, TUiContext &context, TChanTreeParts parts, TGSFRules &rules,
        int slot);
  ~TImpl();

  void RebuildTree();
  void RefilterTree();
  bool FocusChannel(std::int32_t handle);
  void StepChannel(int direction);

  TFrameChanTree &Frame;
  TUiContext &Context;
  TGSFRules &Rules;
  const int Slot;
  TTreeData Data;
  TTreeLookups Lookups;
  TChannelTreeModel Model;
  // The widgets that call back into this object go before it does, not with the frame.
  std::unique_ptr<TFrameChTreeFilter> Filter;
  std::unique_ptr<TChanTreeView> View;
  std::unique_ptr<TChanTreeNavBar> NavBar;
  TChanTreeItemModel *Items = nullptr; // the view's
  TDMTreePopup *Popup = nullptr;       // the view's
  QLabel *Timing = nullptr;
  QLabel *Visible = nullptr;
  QLabel *All = nullptr;

private:
  TTreeLookups LookupsOfSlot();
  void BuildWidgets(TChanTreeParts parts);
  void BuildFilter();
  void BuildNavBar();
  void ConnectView();
  // Runs a change of the tree's rows inside one model reset and puts the view back in step.
  template <class F> void ChangeRows(F change);
  void ShowModelState(bool centre);
  void ShowFocus(bool centre);
  void ShowCounters();
  void OnCurrentChanged(const QModelIndex &current);
  void OnSelectionChanged();
  void OnClicked(const QModelIndex &index);
  void SwitchRow(const QModelIndex &index);
  void SwitchTo(std::int32_t handle);
  void GoParent();
  void Repaint();

  // Notifications arrive on the sender's thread; the tree is changed on its own.
  template <void (TImpl::*React)(std::intptr_t, std::intptr_t)>
  static void Receive(void *context, std::intptr_t first, std::intptr_t second);
  void OnListsChanged(std::intptr_t first, std::intptr_t second);
  void OnSwitchProgress(std::intptr_t first, std::intptr_t second);
  void OnChannelSelected(std::intptr_t first, std::intptr_t second);
  void OnChannelStored(std::intptr_t first, std::intptr_t second);
  void OnChildLock(std::intptr_t first, std::intptr_t second);
  void Subscribe(bool on);

  // Set while this tree selects or switches a channel, so that it ignores the echo.
  bool selfCaused_ = false;
  // Trees of other slots stay empty until slot 0 has played a channel.
  bool built_ = false;
};

TFrameChanTree::TImpl::TImpl(TFrameChanTree &frame, TUiContext &context, TChanTreeParts parts,
                             TGSFRules &rules, int slot)
    : Frame(frame), Context(context), Rules(rules),
      Slot(slot), Data{context.Sats,
                       context.Lists,
                       context.Favorites,
                       context.Categories,
                       [&context] { return context.ChildLockActive(); },
                       [](int) { return std::string(); }},
      Lookups(LookupsOfSlot()), Model(rules, Lookups) {
  Model.SetAutoExpand([&context] { return context.Options.General.AutoExpandChl; });
  Model.SetSelectedHandle([this] { return Context.Engine.Slot(Slot).SelectedHandle; });
  Model.SetSwitchHandler([this](std::int32_t handle) { SwitchTo(handle); });
  BuildWidgets(parts);
  Subscribe(true);
}

TFrameChanTree::TImpl::~TImpl() { Subscribe(false); }

TTreeLookups TFrameChanTree::TImpl::LookupsOfSlot() {
  if (Slot == 0)
    return AllSatellitesLookups(Data);
  return SlotTransponderLookups(Data, [this]() -> std::optional<data::TChannelRec> {
    const device::TSlotState &main = Context.Engine.Slot(0);
    if (!main.Playing())
      return std::nullopt;
    return main.CurrentChannel;
  });
}

void TFrameChanTree::TImpl::BuildWidgets(TChanTreeParts parts) {
  auto *layout = new QVBoxLayout(&Frame);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  if (parts.FilterPanel) {
    BuildFilter();
    layout->addWidget(Filter.get());
  }
  View = std::make_unique<TChanTreeView>(Model, &Frame);
  View->setObjectName(QStringLiteral("ChTree"));
  Items = new TChanTreeItemModel(Model, Rules, Lookups, View.get());
  View->setModel(Items);
  View->setItemDelegate(new TChanTreeDelegate(
      Model, Rules, [this] { return Context.Engine.Slot(Slot).CurrentHandle; }, View.get()));
  View->header()->setStretchLastSection(false);
  View->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  View->header()->resizeSection(1, 28);
  View->header()->resizeSection(2, 90);
  layout->addWidget(View.get(), 1);
  if (parts.NavigationBar) {
    BuildNavBar();
    layout->addWidget(NavBar.get());
  }
  auto *status = new QStatusBar(&Frame);
  status->setSizeGripEnabled(false);
  Timing = new QLabel(status);
  Visible = new QLabel(QStringLiteral("0"), status);
  All = new QLabel(QStringLiteral("0"), status);
  Timing->setToolTip(QStringLiteral("Build / filter time in ms"));
  Visible->setToolTip(QStringLiteral("Visible channels"));
  All->setToolTip(QStringLiteral("All channels"));
  status->addWidget(Timing, 1);
  for (QLabel *counter : {Visible, All}) {
    counter->setMinimumWidth(counter->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->addWidget(counter);
  }
  layout->addWidget(status);
  ConnectView();
  // After the view's own handlers, so that the menu sees the channel the focus selected.
  if (parts.ContextMenu)
    Popup = new TDMTreePopup(*View, Model, Context, Slot);
}

void TFrameChanTree::TImpl::BuildFilter() {
  Filter = std::make_unique<TFrameChTreeFilter>(Rules, Context.Categories.CategList(), &Frame);
  QObject::connect(Filter.get(), &TFrameChTreeFilter::GroupingChanged, &Frame,
                   [this] { RebuildTree(); });
  QObject::connect(Filter.get(), &TFrameChTreeFilter::FilterChanged, &Frame,
                   [this] { RefilterTree(); });
  QObject::connect(Filter.get(), &TFrameChTreeFilter::InfoColumnChanged, &Frame,
                   [this] { Repaint(); });
  QObject::connect(Filter.get(), &TFrameChTreeFilter::HotkeysActiveChanged, &Frame,
                   &TFrameChanTree::HotkeysActiveChanged);
}

void TFrameChanTree::TImpl::BuildNavBar() {
  NavBar = std::make_unique<TChanTreeNavBar>(
      [this]() -> const device::TSlotState & { return Context.Engine.Slot(Slot); }, &Frame);
  // The view does not report each group that collapseAll closes, so the model is told.
  QObject::connect(NavBar.get(), &TChanTreeNavBar::OpenAll, &Frame, [this] {
    Model.SetAllOpen(true);
    View->expandAll();
  });
  QObject::connect(NavBar.get(), &TChanTreeNavBar::CloseAll, &Frame, [this] {
    Model.SetAllOpen(false);
    View->collapseAll();
  });
  QObject::connect(NavBar.get(), &TChanTreeNavBar::GoPlaying, &Frame,
                   [this] { FocusChannel(Context.Engine.Slot(Slot).CurrentHandle); });
  QObject::connect(NavBar.get(), &TChanTreeNavBar::GoParent, &Frame, [this] { GoParent(); });
  QObject::connect(NavBar.get(), &TChanTreeNavBar::Step, &Frame, [this](int d) { StepChannel(d); });
  QObject::connect(NavBar.get(), &TChanTreeNavBar::SwitchTo, &Frame, [this](std::int32_t handle) {
    SwitchTo(handle);
    View->setFocus();
  });
}

void TFrameChanTree::TImpl::ConnectView() {
  QObject::connect(View->selectionModel(), &QItemSelectionModel::currentChanged, &Frame,
                   [this](const QModelIndex &current) { OnCurrentChanged(current); });
  QObject::connect(View->selectionModel(), &QItemSelectionModel::selectionChanged, &Frame,
                   [this] { OnSelectionChanged(); });
  QObject::connect(View.get(), &QTreeView::expanded, &Frame,
                   [this](const QModelIndex &index) { Model.SetOpen(Items->RowOf(index), true); });
  QObject::connect(View.get(), &QTreeView::collapsed, &Frame,
                   [this](const QModelIndex &index) { Model.SetOpen(Items->RowOf(index), false); });
  QObject::connect(View.get(), &QTreeView::clicked, &Frame,
                   [this](const QModelIndex &index) { OnClicked(index); });
  QObject::connect(View.get(), &QTreeView::doubleClicked, &Frame, [this](const QModelIndex &index) {
    if (!Context.Options.General.SingleClickChange)
      SwitchRow(index);
  });
  QObject::connect(View.get(), &TChanTreeView::SwitchRequested, &Frame,
                   [this](const QModelIndex &index) { SwitchRow(index); });
}

template <class F> void TFrameChanTree::TImpl::ChangeRows(F change) {
  Items->BeginChange();
  change();
  Items->EndChange();
}

void TFrameChanTree::TImpl::RebuildTree() {
  built_ = true;
  QPalette busy = Timing->palette();
  busy.setColor(QPalette::WindowText, Qt::red);
  Timing->setPalette(busy);
  Timing->setText(QStringLiteral(" Busy"));
  Timing->repaint();
  ChangeRows([this] { Model.RebuildTree(); });
  ShowModelState(true);
}

void TFrameChanTree::TImpl::RefilterTree() {
  ChangeRows([this] { Model.RefilterTree(); });
  ShowModelState(false);
}

void TFrameChanTree::TImpl::ShowModelState(bool centre) {
  // A reset forgot which groups were open; the model remembers.
  std::vector<QModelIndex> open;
  bool allOpen = true;
  for (int row = 1; row < static_cast<int>(Model.Rows().size()); ++row) {
    const TTreeRow &r = Model.Row(row);
    if (r.IsChannel() || !r.Shown)
      continue;
    if (r.Open)
      open.push_back(Items->IndexOfRow(row));
    else
      allOpen = false;
  }
  if (allOpen) {
    View->expandAll();
  } else {
    for (const QModelIndex &index : open)
      View->setExpanded(index, true);
  }
  ShowFocus(centre);
  ShowCounters();
}

void TFrameChanTree::TImpl::ShowFocus(bool centre) {
  const std::vector<int> selection = Model.Selection();
  const int focused = Model.FocusedRow();
  QItemSelection shown;
  for (const int row : selection) {
    const QModelIndex index = Items->IndexOfRow(row);
    if (index.isValid())
      shown.select(index, Items->IndexOfRow(row, kTreeColumnKind));
  }
  const QModelIndex current = Items->IndexOfRow(focused);
  for (QModelIndex p = current.parent(); p.isValid(); p = p.parent())
    View->expand(p);
  View->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  View->selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
  if (centre && current.isValid())
    View->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void TFrameChanTree::TImpl::ShowCounters() {
  QPalette normal = Timing->palette();
  normal.setColor(QPalette::WindowText, Qt::black);
  Timing->setPalette(normal);
  Timing->setText(QStringLiteral("%1/%2").arg(Ms(Model.BuildTime())).arg(Ms(Model.FilterTime())));
  Visible->setText(QString::number(Model.VisibleChannels()));
  All->setText(QString::number(Model.AllChannels()));
}

bool TFrameChanTree::TImpl::FocusChannel(std::int32_t handle) {
  if (!Model.FocusChannel(handle))
    return false;
  ShowFocus(true);
  return true;
}

void TFrameChanTree::TImpl::StepChannel(int direction) {
  const int before = Model.FocusedRow();
  Model.StepChannel(direction);
  if (Model.FocusedRow() != before || direction == 0)
    ShowFocus(true);
}

void TFrameChanTree::TImpl::OnCurrentChanged(const QModelIndex &current) {
  const int row = Items->RowOf(current);
  Model.SetFocusedRow(current.isValid() ? row : TChannelTreeModel::kNoRow);
  if (!current.isValid() || !Model.Row(row).IsChannel())
    return;
  const std::int32_t handle = Model.Row(row).RowKey;
  if (handle == Context.Engine.Slot(Slot).SelectedHandle)
    return;
  TFlagScope scope(selfCaused_);
  Context.Engine.SelectSlotChannel(Slot, handle, 0);
}

void TFrameChanTree::TImpl::OnSelectionChanged() {
  std::vector<int> rows;
  for (const QModelIndex &index : View->selectionModel()->selectedRows())
    rows.push_back(Items->RowOf(index));
  Model.SetSelection(std::move(rows));
}

void TFrameChanTree::TImpl::OnClicked(const QModelIndex &index) {
  const auto selecting = Qt::ShiftModifier | Qt::ControlModifier;
  if (Context.Options.General.SingleClickChange && (View->PressModifiers() & selecting) == 0)
    SwitchRow(index);
}

void TFrameChanTree::TImpl::SwitchRow(const QModelIndex &index) {
  const int row = Items->RowOf(index);
  if (!index.isValid() || !Model.Row(row).IsChannel())
    return;
  SwitchTo(Model.Row(row).RowKey);
  View->setFocus();
}

void TFrameChanTree::TImpl::SwitchTo(std::int32_t handle) {
  {
    TFlagScope scope(selfCaused_);
    Context.Engine.SwitchChannel(Slot, handle, true);
  }
  Repaint();
}

void TFrameChanTree::TImpl::GoParent() {
  const int focused = Model.FocusedRow();
  if (focused <= TChannelTreeModel::kRoot)
    return;
  const QModelIndex parent = Items->IndexOfRow(Model.Row(focused).Parent);
  if (parent.isValid())
    View->selectionModel()->setCurrentIndex(parent, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
}

void TFrameChanTree::TImpl::Repaint() { View->viewport()->update(); }

template <void (TFrameChanTree::TImpl::*React)(std::intptr_t, std::intptr_t)>
void TFrameChanTree::TImpl::Receive(void *context, std::intptr_t first, std::intptr_t second) {
  auto *self = static_cast<TImpl *>(context);
  if (QThread::currentThread() == self->Frame.thread()) {
    (self->*React)(first, second);
    return;
  }
  // Dropped when the frame is gone before its thread gets to it.
  QMetaObject::invokeMethod(
      &self->Frame, [self, first, second] { (self->*React)(first, second); }, Qt::QueuedConnection);
}

void TFrameChanTree::TImpl::Subscribe(bool on) {
  const frame::NotifyHandler handlers[] = {
      &Receive<&TImpl::OnListsChanged>, &Receive<&TImpl::OnSwitchProgress>,
      &Receive<&TImpl::OnChannelSelected>, &Receive<&TImpl::OnChannelStored>,
      &Receive<&TImpl::OnChildLock>};
  for (std::size_t i = 0; i < std::size(kFollowed); ++i) {
    if (on)
      Context.Hub.Add(kFollowed[i], handlers[i], this);
    else
      Context.Hub.Remove(kFollowed[i], handlers[i], this);
  }
}

void TFrameChanTree::TImpl::OnListsChanged(std::intptr_t, std::intptr_t) {
  // Rows of another slot's tree name channels by position too, so they go stale as well.
  if (Slot == 0 || built_)
    RebuildTree();
}

void TFrameChanTree::TImpl::OnSwitchProgress(std::intptr_t first, std::intptr_t second) {
  if (first == device::kSwitchBegins && second == Slot && !selfCaused_)
    FocusChannel(Context.Engine.Slot(Slot).RequestedHandle);
  if (first != device::kSwitchEnded)
    return;
  if (Slot != 0 && second == 0)
    RebuildTree();
  Repaint();
}

void TFrameChanTree::TImpl::OnChannelSelected(std::intptr_t, std::intptr_t second) {
  if (second == Slot && !selfCaused_)
    FocusChannel(Context.Engine.Slot(Slot).SelectedHandle);
}

void TFrameChanTree::TImpl::OnChannelStored(std::intptr_t, std::intptr_t second) {
  if (Slot != 0 && !built_)
    return;
  if (second == kWholeRecordEdited)
    RebuildTree();
  else
    RefilterTree();
}

void TFrameChanTree::TImpl::OnChildLock(std::intptr_t, std::intptr_t) { RefilterTree(); }

TFrameChanTree::TFrameChanTree(QWidget *owner, TUiContext &context, TChanTreeParts parts,
                               TGSFRules &rules, int slot)
    : QWidget(owner) {
  setObjectName(QStringLiteral("ChTreeFrame%1").arg(slot));
  impl_ = std::make_unique<TImpl>(*this, context, parts, rules, slot);
}

TFrameChanTree::~TFrameChanTree() = default;

void TFrameChanTree::RebuildTree() { impl_->RebuildTree(); }
void TFrameChanTree::RefilterTree() { impl_->RefilterTree(); }
bool TFrameChanTree::FocusChannel(std::int32_t handle) { return impl_->FocusChannel(handle); }
void TFrameChanTree::StepChannel(int direction) { impl_->StepChannel(direction); }
int TFrameChanTree::Slot() const { return impl_->Slot; }
TChannelTreeModel &TFrameChanTree::Model() { return impl_->Model; }
QTreeView *TFrameChanTree::TreeView() const { return impl_->View.get(); }

} // namespace qev::ui
