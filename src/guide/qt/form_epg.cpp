#include "guide/qt/form_epg.h"

#include "data/code_tables.h"
#include "frame/message_boxes.h"
#include "guide/qt/epg_details_panel.h"
#include "guide/qt/epg_filter_panel.h"
#include "ui/qt/image_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>
#include <variant>

namespace qev::guide {

namespace {

enum EventColumn : int { kColChannel = 0, kColStart, kColDuration, kColName, kColLanguage };
constexpr int kRefreshMs = 1000;
constexpr int kStatusMs = 300;
constexpr int kGroupings = 3;

// A status figure that reacts to a double click.
class TStatusFigure final : public QLabel {
public:
  TStatusFigure(const char *name, std::function<void()> onDoubleClick)
      : onDoubleClick_(std::move(onDoubleClick)) {
    setObjectName(name);
    setFrameShape(QFrame::StyledPanel);
  }

protected:
  void mouseDoubleClickEvent(QMouseEvent *) override {
    if (onDoubleClick_)
      onDoubleClick_();
  }

private:
  std::function<void()> onDoubleClick_;
};

QPushButton *ToolButton(const char *name, const QString &text, bool checkable) {
  auto *button = new QPushButton(text);
  button->setObjectName(name);
  button->setCheckable(checkable);
  button->setAutoDefault(false);
  return button;
}

int ListIndexOf(const QTreeWidgetItem *item) {
  return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

bool RowInView(const QTreeWidget &tree, const QTreeWidgetItem *item) {
  return item && tree.viewport()->rect().intersects(tree.visualItemRect(item));
}

} // namespace

class TFormEpg::TImpl : public QObject {
public:
  TImpl(TFormEpg &form, TEpgStore &store, TEpgWindowLinks links,
        const data::TChannelsList &channels, const data::TChannelRec &selected,
        frame::TOptions &options, const data::TCategories &categories)
      : form_(form), links_(std::move(links)), channels_(channels), options_(options),
        model_(
            store, channels, [&categories](int i) { return categories.CategName(i); },
            links_.Counters) {
    model_.SelectChannel(selected);
    model_.Tree().SetGrouping(std::clamp(options.General.EpgChanGroup, 0, kGroupings - 1));
    BuildWindow();
    Refresh();
    ApplyFilters();
    UpdateStatus();
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &TImpl::Refresh);
    refreshTimer_.start();
    statusTimer_.setInterval(kStatusMs);
    connect(&statusTimer_, &QTimer::timeout, this, &TImpl::UpdateStatus);
    statusTimer_.start();
  }

  // The timer waits while a refresh runs, so that a slow one is not queued up behind itself.
  void Refresh() {
    const bool running = refreshTimer_.isActive();
    refreshTimer_.stop();
    QTreeWidgetItem *focused = events_->currentItem();
    const bool focusedInView = RowInView(*events_, focused);
    const TEpgRefreshResult result = model_.Refresh();
    if (result.Cleared)
      EmptyLists();
    if (result.Cleared || result.ChannelsAdded)
      FillChannelTree();
    if (result.EventsAdded > 0)
      TakeNewRows();
    if (focusedInView && events_->currentItem() == focused)
      events_->scrollToItem(focused);
    refreshFigure_->setText(QString::fromStdString(model_.RefreshTimeText()));
    if (running)
      refreshTimer_.start();
  }

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched == events_ && event->type() == QEvent::Resize)
      QTimer::singleShot(0, this, &TImpl::FitNameColumn);
    return false;
  }

private:
  void BuildWindow() {
    form_.setObjectName("FormEpg");
    form_.setWindowTitle(tr("Programme guide"));
    auto *column = new QVBoxLayout(&form_);
    column->setMenuBar(BuildMenuBar());
    column->addLayout(BuildButtonRow());
    filters_ = new TEpgFilterPanel(model_);
    connect(filters_, &TEpgFilterPanel::Changed, this, &TImpl::ApplyFilters);
    column->addWidget(filters_);
    column->addWidget(BuildLists(), 1);
    column->addLayout(BuildStatusRow());
    ShowPerChannel(true);
  }

  QMenuBar *BuildMenuBar() {
    auto *bar = new QMenuBar;
    QMenu *tasks = bar->addMenu(tr("&Tasks"));
    tasks->setObjectName("tasksMenu");
    QAction *add = tasks->addAction(tr("Add task for the event"), this, &TImpl::ScheduleFocused);
    add->setObjectName("addTaskItem");
    add->setVisible(static_cast<bool>(links_.SchAddJob));
    QAction *jobs = tasks->addAction(tr("Scheduled jobs"), this, [this] { links_.SchJobList(); });
    jobs->setObjectName("jobsItem");
    jobs->setVisible(static_cast<bool>(links_.SchJobList));
    tasks->menuAction()->setVisible(links_.SchAddJob || links_.SchJobList);
    return bar;
  }

  QHBoxLayout *BuildButtonRow() {
    auto *row = new QHBoxLayout;
    grouping_ = new QComboBox;
    grouping_->setObjectName("groupingBox");
    grouping_->addItems({tr("No groups"), tr("By provider"), tr("By favourite category")});
    grouping_->setCurrentIndex(model_.Tree().Grouping());
    connect(grouping_, &QComboBox::currentIndexChanged, this, &TImpl::Regroup);
    onlyFavourites_ = new QCheckBox(tr("Only favourites"));
    onlyFavourites_->setObjectName("onlyFavouritesBox");
    connect(onlyFavourites_, &QCheckBox::toggled, this, [this](bool only) {
      model_.Tree().SetOnlyFavourites(only);
      FillChannelTree();
    });
    perChannel_ = ToolButton("perChannelButton", tr("Per channel"), true);
    perChannel_->setChecked(true);
    connect(perChannel_, &QPushButton::toggled, this, &TImpl::ShowPerChannel);
    now_ = ToolButton("nowButton", tr("Now"), true);
    next_ = ToolButton("nextButton", tr("Next"), true);
    for (QPushButton *button : {now_, next_})
      connect(button, &QPushButton::toggled, this, &TImpl::TakeNowNext);
    auto *filter = ToolButton("filterButton", tr("Filter"), true);
    filter->setChecked(true);
    connect(filter, &QPushButton::toggled, this, &TImpl::ShowFilters);
    addTask_ = ToolButton("addTaskButton", tr("Add task"), false);
    addTask_->setVisible(static_cast<bool>(links_.SchAddJob));
    connect(addTask_, &QPushButton::clicked, this, &TImpl::ScheduleFocused);
    auto *clear = ToolButton("clearButton", tr("Clear guide"), false);
    connect(clear, &QPushButton::clicked, this, &TImpl::ClearGuide);
    for (QWidget *widget : std::initializer_list<QWidget *>{grouping_, onlyFavourites_, perChannel_,
                                                            now_, next_, filter, addTask_})
      row->addWidget(widget);
    row->addStretch(1);
    row->addWidget(clear);
    return row;
  }

  QWidget *BuildLists() {
    auto *split = new QSplitter(Qt::Horizontal);
    channelTree_ = new QTreeWidget;
    channelTree_->setObjectName("channelTree");
    channelTree_->setHeaderHidden(true);
    connect(channelTree_, &QTreeWidget::currentItemChanged, this, &TImpl::ChannelFocused);
    connect(channelTree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { SwitchTo(ListIndexOf(item)); });
    auto *right = new QSplitter(Qt::Vertical);
    right->addWidget(BuildEventList());
    details_ = new TEpgDetailsPanel;
    right->addWidget(details_);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    split->addWidget(channelTree_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({180, 620});
    return split;
  }

  QTreeWidget *BuildEventList() {
    events_ = new QTreeWidget;
    events_->setObjectName("eventList");
    events_->setRootIsDecorated(false);
    events_->setUniformRowHeights(true);
    events_->setHeaderLabels(
        {tr("Channel"), tr("Start"), tr("Duration"), tr("Name"), tr("Language")});
    events_->header()->setStretchLastSection(false);
    events_->setColumnWidth(kColChannel, 130);
    events_->setColumnWidth(kColStart, 115);
    events_->setColumnWidth(kColDuration, 60);
    events_->setColumnWidth(kColLanguage, 70);
    events_->installEventFilter(this);
    connect(events_, &QTreeWidget::currentItemChanged, this, &TImpl::EventFocused);
    connect(events_, &QTreeWidget::itemDoubleClicked, this, &TImpl::EventDoubleClicked);
    return events_;
  }

  QHBoxLayout *BuildStatusRow() {
    auto *row = new QHBoxLayout;
    const std::vector<std::string> texts = model_.StatusTexts();
    for (const std::string &text : texts) {
      // The memory and buffer figures open the hash information.
      const bool hash = text.starts_with(" Mem") || text.starts_with(" Buf");
      auto *figure = new TStatusFigure(
          "statusFigure", hash ? std::function<void()>([this] { ShowHashInfo(); }) : nullptr);
      statusFigures_.push_back(figure);
      row->addWidget(figure);
    }
    searchFigure_ = new TStatusFigure("searchFigure", nullptr);
    refreshFigure_ = new TStatusFigure("refreshFigure", [this] { Refresh(); });
    row->addWidget(searchFigure_);
    row->addWidget(refreshFigure_);
    row->addStretch(1);
    return row;
  }

  void EmptyLists() {
    events_->clear();
    items_.clear();
    details_->Show({});
  }

  // The focused channel stays focused; at first it is the main slot's channel.
  void FillChannelTree() {
    const data::TChannelRec &selected = model_.SelectedChannel();
    const int current = channelTree_->currentItem()
                            ? ListIndexOf(channelTree_->currentItem())
                            : channels_.ListFind(selected.TID, selected.SID);
    const QSignalBlocker blocker(channelTree_);
    channelTree_->clear();
    for (const TEpgTreeRow &row : model_.Tree().Rows())
      channelTree_->addTopLevelItem(TreeItem(row));
    channelTree_->expandAll();
    for (QTreeWidgetItemIterator it(channelTree_); *it; ++it)
      if (ListIndexOf(*it) == current && current >= 0) {
        channelTree_->setCurrentItem(*it);
        channelTree_->scrollToItem(*it);
        break;
      }
  }

  QTreeWidgetItem *TreeItem(const TEpgTreeRow &row) const {
    auto *item = new QTreeWidgetItem({QString::fromStdString(row.Text)});
    item->setData(0, Qt::UserRole, row.ListIndex);
    item->setIcon(0,
                  row.IsGroup() ? ui::ImageListIcon(ui::kImageGroup) : ChannelIcon(row.ListIndex));
    for (const TEpgTreeRow &child : row.Children)
      item->addChild(TreeItem(child));
    return item;
  }

  QIcon ChannelIcon(int listIndex) const {
    if (!channels_.IndexValid(listIndex))
      return {};
    return ui::ImageListIcon(data::ChannelIcon(channels_.Item(listIndex)));
  }

  // New rows keep their items; all items are put back in the model's order (by start).
  void TakeNewRows() {
    QTreeWidgetItem *focused = events_->currentItem();
    const std::vector<TEpgEventRow> &rows = model_.EventRows();
    items_.resize(std::max(items_.size(), rows.size()), nullptr);
    const QSignalBlocker blocker(events_);
    events_->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> ordered;
    ordered.reserve(static_cast<qsizetype>(rows.size()));
    for (std::size_t row = 0; row < rows.size(); ++row) {
      QTreeWidgetItem *&item = items_[rows[row].StoreIndex];
      if (!item)
        item = NewEventItem(static_cast<int>(row));
      ordered.append(item);
    }
    events_->addTopLevelItems(ordered);
    for (std::size_t row = 0; row < rows.size(); ++row)
      ordered[static_cast<qsizetype>(row)]->setHidden(!rows[row].Visible);
    if (focused)
      events_->setCurrentItem(focused);
  }

  QTreeWidgetItem *NewEventItem(int row) const {
    const TEpgRowTexts texts = model_.RowTexts(row);
    auto *item = new QTreeWidgetItem(
        {QString::fromStdString(texts.Channel), QString::fromStdString(texts.Start),
         QString::fromStdString(texts.Duration), QString::fromStdString(texts.Name),
         QString::fromStdString(texts.Language)});
    item->setData(kColChannel, Qt::UserRole,
                  QVariant::fromValue<qulonglong>(model_.EventRows()[row].StoreIndex));
    item->setIcon(kColChannel, ChannelIcon(model_.RowChannel(row)));
    return item;
  }

  // The target row: the first visible one on air now, else the first visible one.
  void ApplyFilters() {
    const int target = model_.ApplyFilters();
    const std::vector<TEpgEventRow> &rows = model_.EventRows();
    const int count = std::min(events_->topLevelItemCount(), static_cast<int>(rows.size()));
    for (int row = 0; row < count; ++row)
      events_->topLevelItem(row)->setHidden(!rows[row].Visible);
    if (target >= 0 && target < count) {
      // The same row may stay focused; its match in the texts changes with the search text.
      const QSignalBlocker blocker(events_);
      events_->setCurrentItem(events_->topLevelItem(target));
      events_->scrollToItem(events_->topLevelItem(target));
      EventFocused(events_->topLevelItem(target));
    } else {
      events_->setCurrentItem(nullptr);
      details_->Show({});
    }
    searchFigure_->setText(QString::fromStdString(model_.SearchTimeText()));
  }

  int FocusedRow() const {
    QTreeWidgetItem *item = events_->currentItem();
    return item && !item->isHidden() ? events_->indexOfTopLevelItem(item) : -1;
  }

  void EventFocused(QTreeWidgetItem *item) {
    details_->Show(item ? model_.Details(events_->indexOfTopLevelItem(item)) : TEpgEventDetails{});
  }

  void ChannelFocused(QTreeWidgetItem *item) {
    const int listIndex = ListIndexOf(item);
    if (listIndex < 0)
      return;
    model_.SelectChannel(listIndex);
    ApplyFilters();
  }

  void EventDoubleClicked(QTreeWidgetItem *item, int column) {
    const int row = events_->indexOfTopLevelItem(item);
    if (column == kColChannel)
      SwitchTo(model_.RowChannel(row));
    else
      Schedule(row);
  }

  void SwitchTo(int listIndex) {
    if (listIndex >= 0 && links_.SwitchChannel)
      links_.SwitchChannel(model_.ChannelHandle(listIndex));
  }

  void ScheduleFocused() { Schedule(FocusedRow()); }

  void Schedule(int row) {
    if (row < 0 || !links_.SchAddJob)
      return;
    const auto request = model_.ScheduleRequest(row);
    if (const auto *error = std::get_if<std::string>(&request)) {
      frame::ShowError(*error);
      return;
    }
    const auto &job = std::get<TEpgScheduleRequest>(request);
    links_.SchAddJob(job.Channel, {job.Minutes, job.Comment, job.Action, job.LocalStart});
  }

  void ClearGuide() {
    if (links_.Clear)
      links_.Clear();
    else
      model_.ClearStore();
  }

  void Regroup(int grouping) {
    options_.General.EpgChanGroup = grouping;
    model_.Tree().SetGrouping(grouping);
    FillChannelTree();
  }

  void TakeNowNext() {
    model_.Filters().NowNext = NowNextMode(now_->isChecked(), next_->isChecked());
    ApplyFilters();
  }

  void ShowFilters(bool shown) {
    filters_->setVisible(shown);
    if (!shown) {
      filters_->Reset();
      return;
    }
    filters_->FocusSearch();
    ApplyFilters();
  }

  void ShowPerChannel(bool perChannel) {
    model_.Filters().PerChannel = perChannel;
    channelTree_->setVisible(perChannel);
    events_->setColumnHidden(kColChannel, perChannel);
    FitNameColumn();
    ApplyFilters();
  }

  // The name column takes what the other visible columns leave.
  void FitNameColumn() {
    int others = 0;
    for (int column = 0; column < events_->columnCount(); ++column)
      if (column != kColName && !events_->isColumnHidden(column))
        others += events_->columnWidth(column);
    events_->setColumnWidth(kColName, std::max(80, events_->viewport()->width() - others - 10));
  }

  void UpdateStatus() {
    const std::vector<std::string> texts = model_.StatusTexts();
    for (std::size_t i = 0; i < texts.size() && i < statusFigures_.size(); ++i)
      statusFigures_[i]->setText(QString::fromStdString(texts[i]));
  }

  void ShowHashInfo() const { frame::ShowInformation(model_.HashInfoText()); }

  TFormEpg &form_;
  TEpgWindowLinks links_;
  const data::TChannelsList &channels_;
  frame::TOptions &options_;
  TEpgViewModel model_;
  QTimer refreshTimer_;
  QTimer statusTimer_;
  QComboBox *grouping_ = nullptr;
  QCheckBox *onlyFavourites_ = nullptr;
  QPushButton *perChannel_ = nullptr;
  QPushButton *now_ = nullptr;
  QPushButton *next_ = nullptr;
  QPushButton *addTask_ = nullptr;
  TEpgFilterPanel *filters_ = nullptr;
  QTreeWidget *channelTree_ = nullptr;
  QTreeWidget *events_ = nullptr;
  TEpgDetailsPanel *details_ = nullptr;
  std::vector<QLabel *> statusFigures_;
  QLabel *searchFigure_ = nullptr;
  QLabel *refreshFigure_ = nullptr;
  // The item of each store index taken so far.
  std::vector<QTreeWidgetItem *> items_;
};

TFormEpg::TFormEpg(QWidget *owner, TEpgStore &store, TEpgWindowLinks links,
                   const data::TChannelsList &channels, const data::TChannelRec &selected,
                   frame::TOptions &options, const data::TCategories &categories)
    : QDialog(owner) {
  impl_ = std::make_unique<TImpl>(*this, store, std::move(links), channels, selected, options,
                                  categories);
  resize(980, 640);
}

TFormEpg::~TFormEpg() = default;

void TFormEpg::Refresh() { impl_->Refresh(); }

TEpgCollectionGuard::TEpgCollectionGuard(const std::function<bool()> &collecting,
                                         const std::function<bool()> &start,
                                         std::function<void()> stop)
    : stop_(std::move(stop)) {
  const bool before = collecting();
  started_ = start() && !before;
}

TEpgCollectionGuard::~TEpgCollectionGuard() {
  if (started_)
    stop_();
}

} // namespace qev::guide
