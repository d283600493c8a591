#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "recording/sch_scheduler.h"
#include "recording/sch_task_checks.h"

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;
class QTimeEdit;

namespace qev::recording {

// The job dialog: trigger, start, duration and what happens at its end, view or record, the
// channel by satellite id and transport stream and service ids (shown by name as they are
// typed), window state, wake-up and comment. Stays on top; its caption shows the time.
class TFormSchedulerTask final : public QDialog {
  Q_OBJECT
public:
  TFormSchedulerTask(QWidget *owner, const data::TSatList &sats, const data::TChannelLists &lists);

  // Fills the fields from the job; the caption is the title and the clock.
  void Load(const TSchJob &job, const QString &title);
  // The fields into the job (its id and name stay).
  void Store(TSchJob &job) const;
  // Refused with a message box, the focus on the field at fault, while the entries make no job.
  void accept() override;

private:
  void BuildFields();
  void RefreshCaption();
  void RefreshChannel();
  void RefreshVisibility();
  TSchChannelDisplay Channel() const;

  const data::TSatList &sats_;
  const data::TChannelLists &lists_;
  QString title_;
  QTimer clock_;
  QComboBox *trigger_ = nullptr;
  QCheckBox *days_[7] = {}; // Monday first
  QDateEdit *date_ = nullptr;
  QTimeEdit *time_ = nullptr;
  QSpinBox *duration_ = nullptr;
  QComboBox *atEnd_ = nullptr;
  QComboBox *action_ = nullptr;
  QCheckBox *noVideo_ = nullptr;
  QCheckBox *wake_ = nullptr;
  QLineEdit *satId_ = nullptr;
  QLineEdit *tid_ = nullptr;
  QLineEdit *sid_ = nullptr;
  QLineEdit *satName_ = nullptr;
  QLineEdit *chanName_ = nullptr;
  QComboBox *windowState_ = nullptr;
  QLineEdit *comment_ = nullptr;
  std::string calendar_; // kept for a trigger of another kind
};

// The scheduler's dialog as the Qt program shows it, modal over the owner.
class TQtSchJobEditor final : public ISchJobEditor {
public:
  TQtSchJobEditor(QWidget *owner, const data::TSatList &sats, const data::TChannelLists &lists)
      : owner_(owner), sats_(sats), lists_(lists) {}
  bool EditJob(TSchJob &job, const std::string &title) override;

private:
  QWidget *owner_;
  const data::TSatList &sats_;
  const data::TChannelLists &lists_;
};

} // namespace qev::recording
