#pragma once

#include "recording/recorder.h"

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <optional>

class QDateEdit;
class QTimeEdit;

namespace qev::recording {

// The stop time of a running recording: set to the date and time shown, or cleared.
class TRecordEditStopForm final : public QDialog {
  Q_OBJECT
public:
  static constexpr int kClearResult = 7;
  static constexpr int kSetResult = 1;

  TRecordEditStopForm(QWidget *parent, const TRecordSlotView &slot);
  // The new time limit after the dialog ended with `result`; nothing for a cancel.
  std::optional<std::uint32_t> NewLimit(int result,
                                        std::chrono::system_clock::time_point now) const;

private:
  std::chrono::system_clock::time_point start_;
  QDateEdit *date_ = nullptr;
  QTimeEdit *time_ = nullptr;
};

} // namespace qev::recording
