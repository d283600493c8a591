#pragma once

#include "recording/sleep_timer.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

class QButtonGroup;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace qev::recording {

// The sleep timer's dialog: a trigger date and time, or minutes from now, the action, and for a
// recording its stop-after minutes.
class TFormSleepTimerSet final : public QDialog {
  Q_OBJECT
public:
  explicit TFormSleepTimerSet(TSleepTimer &timer, QWidget *parent = nullptr);

  QDateEdit *EditSTDate = nullptr;
  QTimeEdit *EditSTTime = nullptr;
  QSpinBox *EditDiffMinutes = nullptr;
  QPushButton *BtnMinus15 = nullptr;
  QPushButton *BtnPlus15 = nullptr;
  QButtonGroup *RgAction = nullptr;
  QSpinBox *EditTimerRecStop = nullptr;
  QLabel *LabelTO = nullptr;
  QPushButton *BtnSetTimer = nullptr;
  QPushButton *BtnClearTimer = nullptr;

  // The trigger the date and time fields name, as an instant (the local zone's rules applied).
  TSleepTimer::TimePoint FieldsTrigger() const;
  void SetTimerClicked();
  void Plus15Clicked(bool ctrlHeld);
  void RefreshStatus();

private:
  void ReadTimer();
  void ShowTrigger(TSleepTimer::TimePoint trigger);
  void ActionChanged(int item);

  TSleepTimer &timer_;
  QTimer refresh_;
};

// The main window's timer button: the remaining time while armed, checked every 500 ms; a due
// action is run through the handlers. A click opens the dialog.
class TSleepTimerButton final : public QToolButton {
  Q_OBJECT
public:
  static constexpr int kCheckMs = 500;

  TSleepTimerButton(TSleepTimer &timer, TSleepHandlers handlers, QWidget *parent = nullptr);

  void Check();
  bool GlyphShown() const { return !icon().isNull(); }

private:
  void Show(const TSleepDisplay &display);

  TSleepTimer &timer_;
  TSleepHandlers handlers_;
  QPointer<TFormSleepTimerSet> dialog_;
  QIcon glyph_;
  QTimer check_;
};

} // namespace qev::recording
