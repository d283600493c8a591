#pragma once

#include "device/choice_countdown.h"
#include "device/device_loader.h"

#include <QDialog>

#include <optional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace qev::device {

// The device choice window: every module of the device folder with its version and
// description, a countdown towards the module chosen last time, and a details panel.
class TFormSelectDevice final : public QDialog {
  Q_OBJECT
public:
  // With a real clock a timer ticks the countdown; tests tick it themselves.
  TFormSelectDevice(std::vector<DeviceModuleRow> rows, const std::string& lastSelected,
                    bool realClock = true);

  // The chosen file name ("" = no device) once the window was confirmed.
  const std::string& Chosen() const { return chosen_; }
  // One second of the countdown.
  void Tick();
  const TChoiceCountdown& Countdown() const { return countdown_; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ChooseFocusedRow();
  void Confirm(const std::string& name);
  void StopCountdown();
  void ShowDetails();
  void MakeDefault();
  void UpdateSelectButton();

  std::vector<DeviceModuleRow> rows_;
  QTreeWidget* list_;
  QTreeWidget* details_;
  QPushButton* select_;
  TChoiceCountdown countdown_;
  std::string chosen_;
};

// Shows the window modally; remembers the choice as LastSelected.
class TQtDeviceChooser final : public DeviceChooser {
public:
  std::optional<std::string> SelectDevice() override;
};

} // namespace qev::device
