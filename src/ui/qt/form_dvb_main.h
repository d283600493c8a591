#pragma once

#include "frame/log.h"
#include "ui/main_commands.h"
#include "ui/main_keys.h"
#include "ui/tree_rules.h"
#include "ui/ui_context.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;
class QSystemTrayIcon;
class QTabWidget;
class QToolButton;

namespace qev::video {
class TVideoPanel;
class TVideoManager;
} // namespace qev::video

namespace qev::ui {

class TFrameChanTree;
class TMainActionBar;
class TMainChannelPanels;
class TMainKeyIndicators;
class TMainVolumeControls;

// The program's main window: channel trees, the embedded video, the information tabs, the
// panels of AV slot 0's channel and programme, volume, signal and the message line. It executes
// the command messages of keys, the remote control and other parts of the program. Its close
// runs the shutdown; a close that arrives while a long operation pumps messages waits until that
// operation has returned.
class TFormDvbMain final : public QMainWindow, public frame::MessageLineView, private IMainActions {
  Q_OBJECT
public:
  // closeRequested runs the shutdown and answers whether the window may close. The context
  // must outlive the window.
  TFormDvbMain(TUiContext &context, std::function<bool()> closeRequested);
  ~TFormDvbMain() override;

  void SetDevice(const std::string &deviceName, const std::string &deviceInfo = {});
  void ShowMessageLine(const std::string &text, frame::LineColor color) override;
  QString MessageLine() const;
  // The tuner's signal: level and quality 0..100, the lock panel green or red.
  void ShowSignal(int level, int quality, bool locked);
  // The program's processor load 0..100 in the status bar (shown from the first value on).
  void ShowProcessorLoad(int percent);
  // The panel in the middle that shows the embedded video.
  video::TVideoPanel *VideoPanel() const { return videoPanel_; }
  // The video windows, once they exist (they are made over the panel); null detaches them.
  void AttachVideos(video::TVideoManager *videos);
  // The tree of AV slot 0 or 1; null for slot 1 when the device has no second picture.
  TFrameChanTree *ChannelTree(int slot) const;
  TMainChannelPanels &ChannelPanels() const { return *channelPanels_; }
  TMainVolumeControls &VolumeControls() const { return *volume_; }
  TMainKeyIndicators &KeyIndicators() const { return *keyIndicators_; }
  // A button of another subsystem joins the window's tool bar (the window takes it over).
  void AddActionWidget(QWidget *widget);

  // The command message (0x487B) or the output command message (0x487C).
  bool Execute(int message, std::intptr_t first, std::intptr_t second, bool repeat = false);
  // Visible in the taskbar and in front, or hidden into the tray icon; without a tray the
  // window is only minimised, so it can always be found again.
  void ShowMainWindow(bool show);
  // If slot 0 is being recorded, stops that recording, else starts one (asking for the PIDs
  // when ask is set).
  void RecordToggleSlot0(bool ask) override;
  // The volume controls from slot 0's sound settings.
  void RefreshVolume();
  // Keys run commands except while a modal dialog is open or the filter name edit has focus.
  bool HotkeysActive() const;
  QSystemTrayIcon *TrayIcon() const { return tray_; }
  // Whether a tray exists to hide into; the desktop's answer unless a test gives its own.
  void SetTrayAvailable(std::function<bool()> available) { trayAvailable_ = std::move(available); }
  // A page of another subsystem among the information tabs, at the given place (the
  // recordings and the scheduler come before the satellites); the page's object name finds it.
  void InsertInfoTab(int position, QWidget *page, const QString &caption);
  QTabWidget *InfoTabs() const { return infoTabs_; }
  // The shutdown's step: no more notifications and timers.
  void Detach();

protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // IMainActions
  void StepChannel(int slot, int direction) override;
  int Volume(int slot) override;
  void SetVolume(int slot, int volume) override;
  void ToggleMute(int slot) override;
  bool OutputOpen(int output) override;
  void OpenPip() override;
  void SetVideoState(int output, int request) override;
  int FocusedOutput() override;
  int PipOutput() override;
  void PipSelectNext() override;
  void PipCyclePosition() override;
  void PipCycleSize() override;
  void CloseMainWindow() override;
  void ClearSleepTimer() override;
  void ShowReception(int slot, bool audio, bool video) override;
  void SubtitlePagesChanged() override;

  // Notifications, on the thread that sends them.
  void OnTunerStatus(std::intptr_t first, std::intptr_t second);
  void OnRecording(std::intptr_t first, std::intptr_t second);
  void OnScheduledJobs(std::intptr_t first, std::intptr_t second);
  void OnSwitchProgress(std::intptr_t first, std::intptr_t second);
  void OnVideoOutput(std::intptr_t first, std::intptr_t second);
  void OnPluginHost(std::intptr_t first, std::intptr_t second);
  void OnMediaType(std::intptr_t first, std::intptr_t second);
  void Subscribe(bool on);
  // Runs at once on the window's thread, else queued to it.
  void OnGui(std::function<void()> work);

  void BuildLayout();
  QWidget *BuildChannelPanel();
  QWidget *BuildVideoArea();
  QWidget *BuildInfoTabs();
  void BuildStatusBar();
  void AddRecordsActiveButton();
  void ShowRecordsActive();
  void ShowRecordsTab();
  void StartTimers();
  void SwitchBegins(int slot);
  void SwitchEnded(int slot);
  void ShowTeletextAvailable();
  void VideoEvent(int event, int output, std::intptr_t value);
  void SetVideoOff(bool off);
  void SetPip(bool open);
  bool KeyPressed(QObject *watched, QKeyEvent &key);
  std::optional<TKeyCommand> KeyCommand(const std::string &keyName) const;
  void AttachHotKeys(bool attach);
  void RemoteButton(const std::string &button, int repeat);
  void RunAction(std::uint16_t action, bool repeat);
  bool VideoDoubleClicked(QMouseEvent &mouse);
  bool TrayAvailable() const;
  void ShowTray(bool show);

  TUiContext &context_;
  std::function<bool()> closeRequested_;
  std::function<bool()> trayAvailable_;
  TMainCommands commands_;
  TGSFRules secondRules_;
  const bool pipPossible_;
  bool subscribed_ = false;
  bool channelShown_ = false;
  bool hotkeysActive_ = true;
  video::TVideoManager *videos_ = nullptr;
  TFrameChanTree *trees_[2] = {nullptr, nullptr};
  QPointer<QWidget> focusBeforeSwitch_;
  QTabWidget *infoTabs_ = nullptr;
  QWidget *recordsTab_ = nullptr;
  QToolButton *recordsActive_ = nullptr;
  QToolButton *hotKeysButton_ = nullptr;
  TMainActionBar *actionBar_ = nullptr;
  TMainChannelPanels *channelPanels_ = nullptr;
  TMainVolumeControls *volume_ = nullptr;
  TMainKeyIndicators *keyIndicators_ = nullptr;
  QLabel *messageLine_ = nullptr;
  QProgressBar *levelBar_ = nullptr;
  QProgressBar *loadBar_ = nullptr;
  QProgressBar *qualityBar_ = nullptr;
  QLabel *lockPanel_ = nullptr;
  video::TVideoPanel *videoPanel_ = nullptr;
  QSystemTrayIcon *tray_ = nullptr;
  QTimer indicatorTimer_;
  QTimer secondTimer_;
  QTimer blinkTimer_;
};

} // namespace qev::ui
