#include "recording/qt/frame_records_list.h"

#include "frame/notification_hub.h"
#include "recording/qt/record_edit_stop_form.h"
#include "recording/record_texts.h"
#include "recording/records_list_texts.h"

#include <QAction>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>

namespace qev::recording {

namespace {

constexpr std::chrono::milliseconds kRepaintInterval{500};

enum TRecordColumn { kName = 1, kSize, kElapsed, kRemaining, kPidCount, kFile };

QTreeWidget *List(const char *name, const QStringList &headers) {
  auto *list = new QTreeWidget;
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setHeaderLabels(headers);
  return list;
}

QAction *AddItem(QWidget &owner, const char *name, const QString &text) {
  auto *item = new QAction(text, &owner);
  item->setObjectName(name);
  owner.addAction(item);
  return item;
}

void SetTexts(QTreeWidgetItem &row, const TRecordSlotView &slot) {
  row.setText(kName, QString::fromStdString(slot.Title));
  row.setText(kSize, QString::fromStdString(TotalSizeText(slot.TotalBytes)));
  row.setText(kElapsed, QString::fromStdString(RecElapsedText(slot)));
  row.setText(kRemaining, QString::fromStdString(RecRemainingText(slot)));
  row.setText(kPidCount, QString::number(slot.Pids.size()));
  row.setText(kFile, QString::fromStdString(slot.FileName));
}

} // namespace

TFrameRecordsList::TFrameRecordsList(QWidget *parent, frame::TNotificationHub &hub,
                                     TRecordsListLinks links)
    : QWidget(parent), hub_(hub), links_(std::move(links)) {
  setObjectName("FrameRecordsList");
  if (!links_.OpenFile)
    links_.OpenFile = [](const QUrl &url) { QDesktopServices::openUrl(url); };
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  records_ = List("TreeRecords", {tr("Stop"), tr("Name/Channel"), tr("Total Size"), tr("Elapsed"),
                                  tr("Remaining"), tr("PIDs"), tr("File Name")});
  const QIcon stop = style()->standardIcon(QStyle::SP_MediaStop);
  for (int slot = 0; slot < kRecordSlots; ++slot) {
    auto *item = new QTreeWidgetItem(records_);
    item->setIcon(kStopColumn, stop);
    item->setToolTip(kStopColumn, tr("Stop this recording"));
    item->setHidden(true);
  }
  records_->header()->setSectionResizeMode(kStopColumn, QHeaderView::ResizeToContents);
  records_->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(AddItem(*records_, "MnuRec_ChangeStop", tr("Change stop time...")), &QAction::triggered,
          this, [this] { ChangeStopTime(); });
  connect(AddItem(*records_, "MnuRec_StopAll", tr("Stop all recordings")), &QAction::triggered,
          this, [this] { StopAll(); });
  row->addWidget(records_, 1);
  pids_ = List("ListPids", {tr("PID"), tr("FT")});
  const int em = pids_->fontMetrics().averageCharWidth();
  pids_->setColumnWidth(0, em * 8);
  pids_->setMaximumWidth(em * 18);
  row->addWidget(pids_);

  connect(records_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem *item, int column) { Clicked(item, column); });
  connect(records_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem *item, int column) { DoubleClicked(item, column); });
  connect(records_, &QTreeWidget::currentItemChanged, this, [this] { ShowPids(); });
  connect(&repaint_, &QTimer::timeout, this, [this] { Repaint(); });
  repaint_.start(kRepaintInterval);
  hub_.Add(frame::kNotifyRecording,
           frame::MethodHandler<TFrameRecordsList, &TFrameRecordsList::OnRecording>, this);
  UpdateRows();
}

TFrameRecordsList::~TFrameRecordsList() {
  hub_.Remove(frame::kNotifyRecording,
              frame::MethodHandler<TFrameRecordsList, &TFrameRecordsList::OnRecording>, this);
}

// Starts and stops are told on the thread that made them, the watch thread among them.
void TFrameRecordsList::OnRecording(std::intptr_t, std::intptr_t) {
  QMetaObject::invokeMethod(
      this, [this] { UpdateRows(); }, Qt::QueuedConnection);
}

void TFrameRecordsList::UpdateRows() {
  const auto views = links_.Slots();
  for (int slot = 0; slot < kRecordSlots; ++slot) {
    QTreeWidgetItem &row = *records_->topLevelItem(slot);
    const bool running = views[slot].State == kRecRunning;
    if (running)
      SetTexts(row, views[slot]);
    row.setHidden(!running);
  }
  ShowPids();
}

void TFrameRecordsList::Repaint() {
  const auto views = links_.Slots();
  for (int slot = 0; slot < kRecordSlots; ++slot) {
    QTreeWidgetItem &row = *records_->topLevelItem(slot);
    if (!row.isHidden() && views[slot].State != kRecFree)
      SetTexts(row, views[slot]);
  }
}

int TFrameRecordsList::FocusedSlot() const {
  QTreeWidgetItem *item = records_->currentItem();
  return item && !item->isHidden() ? records_->indexOfTopLevelItem(item) : -1;
}

void TFrameRecordsList::ShowPids() {
  pids_->clear();
  const int slot = FocusedSlot();
  records_->findChild<QAction *>("MnuRec_ChangeStop")->setEnabled(slot >= 0);
  if (slot < 0)
    return;
  const auto views = links_.Slots();
  for (const TRecordPid &pid : views[slot].Pids)
    new QTreeWidgetItem(pids_, {QString::fromStdString(PidColumnText(pid.Pid)),
                                QString::fromStdString(ModeColumnText(pid.Mode))});
}

void TFrameRecordsList::Clicked(QTreeWidgetItem *item, int column) {
  if (column == kStopColumn && item == records_->currentItem() && FocusedSlot() >= 0)
    links_.StopSlot(FocusedSlot());
}

// The first part: later parts continue it and need it to play.
void TFrameRecordsList::DoubleClicked(QTreeWidgetItem *item, int column) {
  if (column == kStopColumn || item != records_->currentItem() || FocusedSlot() < 0)
    return;
  const std::string file = links_.Slots()[FocusedSlot()].FirstFile;
  if (!file.empty())
    links_.OpenFile(QUrl::fromLocalFile(QString::fromStdString(file)));
}

void TFrameRecordsList::ChangeStopTime() {
  const int slot = FocusedSlot();
  if (slot < 0)
    return;
  const TRecordSlotView view = links_.Slots()[slot];
  if (view.State != kRecRunning)
    return;
  TRecordEditStopForm form(this, view);
  const int result = form.exec();
  // The recorder applies it only while the slot still records: it may have ended meanwhile.
  if (const auto limit = form.NewLimit(result, links_.Now()))
    links_.SetStopAfterSeconds(slot, *limit);
  Repaint();
}

void TFrameRecordsList::StopAll() { links_.StopAll(); }

} // namespace qev::recording
