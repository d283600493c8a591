#pragma once

#include "recording/recorder.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace qev::frame {
class TNotificationHub;
}

namespace qev::recording {

// What the list reads of the recorder and asks of it.
struct TRecordsListLinks {
  std::function<std::array<TRecordSlotView, kRecordSlots>()> Slots;
  std::function<void(int slot)> StopSlot;
  std::function<void()> StopAll;
  std::function<bool(int slot, std::uint32_t seconds)> SetStopAfterSeconds;
  // Opens a recording's file with the desktop's program for it.
  std::function<void(const QUrl &)> OpenFile;
  std::function<std::chrono::system_clock::time_point()> Now = std::chrono::system_clock::now;
};

// The running recordings, one row per record slot, and the PIDs of the focused one. Which rows
// show follows the recorder's starts and stops; their figures are read twice a second.
class TFrameRecordsList final : public QWidget {
  Q_OBJECT
public:
  static constexpr int kStopColumn = 0;

  TFrameRecordsList(QWidget *parent, frame::TNotificationHub &hub, TRecordsListLinks links);
  ~TFrameRecordsList() override;

  // The popup's items.
  void ChangeStopTime();
  void StopAll();

private:
  void OnRecording(std::intptr_t first, std::intptr_t second);
  void UpdateRows();
  void Repaint();
  void ShowPids();
  void Clicked(QTreeWidgetItem *item, int column);
  void DoubleClicked(QTreeWidgetItem *item, int column);
  int FocusedSlot() const;

  frame::TNotificationHub &hub_;
  TRecordsListLinks links_;
  QTreeWidget *records_ = nullptr;
  QTreeWidget *pids_ = nullptr;
  QTimer repaint_;
};

} // namespace qev::recording
