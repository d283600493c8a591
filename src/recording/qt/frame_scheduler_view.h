#pragma once

#include "frame/notification_hub.h"
#include "recording/sch_scheduler.h"

#include <QWidget>

class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace qev::recording {

// The list of scheduled jobs: delete icon, channel, action, start and next run, with the
// focused job's trigger and comment in the status line. A click on the delete column deletes
// the job, a double click elsewhere edits it. Rows follow notification list 3.
class TFrameSchedulerView final : public QWidget {
  Q_OBJECT
public:
  enum TColumn { kColDel, kColChannel, kColAction, kColStart, kColNextRun, kColumnCount };

  TFrameSchedulerView(QWidget *parent, TScheduler &scheduler, ISchJobEditor &editor,
                      frame::TNotificationHub &hub);
  ~TFrameSchedulerView() override;

  // Rows from the scheduler's jobs, keeping the focused row where it can.
  void Reload();
  QTreeWidget *List() const { return list_; }
  QString StatusText() const;
  QMenu *Popup() const { return popup_; }

private:
  static void OnJobsChanged(void *context, std::intptr_t first, std::intptr_t second);
  int FocusedJob() const;
  void EditFocused();
  void DeleteFocused();
  void ShowUnits();
  void RowClicked(QTreeWidgetItem *item, int column);
  void RowDoubleClicked(QTreeWidgetItem *item, int column);
  void ShowStatus();

  TScheduler &scheduler_;
  ISchJobEditor &editor_;
  frame::TNotificationHub &hub_;
  QTreeWidget *list_ = nullptr;
  QLabel *status_ = nullptr;
  QMenu *popup_ = nullptr;
};

} // namespace qev::recording
