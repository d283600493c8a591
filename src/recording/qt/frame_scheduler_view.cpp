#include "recording/qt/frame_scheduler_view.h"

#include "frame/file_reader.h"
#include "frame/message_boxes.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::recording {

TFrameSchedulerView::TFrameSchedulerView(QWidget *parent, TScheduler &scheduler,
                                         ISchJobEditor &editor, frame::TNotificationHub &hub)
    : QWidget(parent), scheduler_(scheduler), editor_(editor), hub_(hub) {
  setObjectName("schedulerTab");
  list_ = new QTreeWidget;
  list_->setObjectName("SchedulerList");
  list_->setRootIsDecorated(false);
  list_->setColumnCount(kColumnCount);
  list_->setHeaderLabels(
      {tr("Del"), tr("Channel"), tr("Action"), tr("Start time"), tr("Next run")});
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  status_ = new QLabel;
  status_->setObjectName("SchedulerStatus");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);

  popup_ = new QMenu(this);
  popup_->addAction(tr("Edit job"), this, &TFrameSchedulerView::EditFocused)
      ->setObjectName("MnuJobEdit");
  popup_->addAction(tr("Delete job"), this, &TFrameSchedulerView::DeleteFocused)
      ->setObjectName("MnuJobDel");
  popup_->addAction(tr("Unit files..."), this, &TFrameSchedulerView::ShowUnits)
      ->setObjectName("MnuJobTask");
  popup_->addSeparator();
  popup_->addAction(tr("Refresh"), this, [this] { scheduler_.SchRefresh(); })
      ->setObjectName("MnuJobsRefresh");
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { popup_->popup(list_->viewport()->mapToGlobal(at)); });
  connect(list_, &QTreeWidget::itemClicked, this, &TFrameSchedulerView::RowClicked);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &TFrameSchedulerView::RowDoubleClicked);
  connect(list_, &QTreeWidget::currentItemChanged, this, &TFrameSchedulerView::ShowStatus);
  hub_.Add(frame::kNotifyScheduledJobs, &TFrameSchedulerView::OnJobsChanged, this);
  Reload();
}

TFrameSchedulerView::~TFrameSchedulerView() {
  hub_.Remove(frame::kNotifyScheduledJobs, &TFrameSchedulerView::OnJobsChanged, this);
}

// Always queued: the change may come from inside a click on the very row it removes.
void TFrameSchedulerView::OnJobsChanged(void *context, std::intptr_t, std::intptr_t) {
  auto *view = static_cast<TFrameSchedulerView *>(context);
  QMetaObject::invokeMethod(view, &TFrameSchedulerView::Reload, Qt::QueuedConnection);
}

void TFrameSchedulerView::Reload() {
  const int focused = std::max(FocusedJob(), 0);
  list_->clear();
  QStyle *style = QApplication::style();
  for (int i = 0; i < scheduler_.Count(); ++i) {
    const TSchJob &job = scheduler_.Job(i);
    const bool view = job.Command.Action == frame::TCommandRecord::kActionView;
    auto *row = new QTreeWidgetItem(list_);
    row->setIcon(kColDel, style->standardIcon(QStyle::SP_TrashIcon));
    row->setText(kColChannel, QString::fromStdString(job.Command.ChannelName));
    row->setText(kColAction, view ? tr("View") : tr("Record"));
    row->setIcon(kColAction,
                 style->standardIcon(view ? QStyle::SP_MediaPlay : QStyle::SP_DialogSaveButton));
    row->setText(kColStart, QString::fromStdString(JobTimeText(job.Start)));
    row->setText(kColNextRun, QString::fromStdString(JobTimeText(job.NextRun)));
    row->setData(kColDel, Qt::UserRole, i);
  }
  if (list_->topLevelItemCount() > 0)
    list_->setCurrentItem(list_->topLevelItem(std::min(focused, list_->topLevelItemCount() - 1)));
  ShowStatus();
}

int TFrameSchedulerView::FocusedJob() const {
  const QTreeWidgetItem *item = list_->currentItem();
  return item ? item->data(kColDel, Qt::UserRole).toInt() : -1;
}

QString TFrameSchedulerView::StatusText() const { return status_->text(); }

void TFrameSchedulerView::ShowStatus() {
  const int index = FocusedJob();
  if (index < 0 || index >= scheduler_.Count()) {
    status_->clear();
    return;
  }
  const TSchJob &job = scheduler_.Job(index);
  status_->setText(QString::fromStdString(
      TriggerDescription(job.TriggerKind, job.Days, job.Start, job.Calendar) + " >> " +
      job.Comment));
}

void TFrameSchedulerView::EditFocused() {
  if (const int index = FocusedJob(); index >= 0)
    scheduler_.SchEditJob(index, editor_);
}

void TFrameSchedulerView::DeleteFocused() {
  if (const int index = FocusedJob(); index >= 0)
    scheduler_.SchDeleteJob(index);
}

// The job's two unit files as they stand, in place of the platform's own property page.
void TFrameSchedulerView::ShowUnits() {
  const int index = FocusedJob();
  if (index < 0)
    return;
  const std::string id = scheduler_.Job(index).Id;
  std::string text;
  for (const auto &file : {scheduler_.Store().TimerFile(id), scheduler_.Store().ServiceFile(id)}) {
    const frame::TFileContent content = frame::ReadFileContent(file);
    text += "## " + file.string() + "\n" +
            (content.Status == frame::FileReadStatus::Read ? content.Text : content.Error()) + "\n";
  }
  frame::ShowInformation(text);
  scheduler_.SchRefresh();
}

void TFrameSchedulerView::RowClicked(QTreeWidgetItem *item, int column) {
  if (item && column == kColDel) {
    list_->setCurrentItem(item);
    DeleteFocused();
  }
}

void TFrameSchedulerView::RowDoubleClicked(QTreeWidgetItem *item, int column) {
  if (item && column != kColDel) {
    list_->setCurrentItem(item);
    EditFocused();
  }
}

} // namespace qev::recording
