#pragma once

#include "devapi/qev_devapi.h"
#include "frame/instance_hand_over.h"
#include "frame/log.h"
#include "frame/power_events.h"
#include "frame/program_options.h"
#include "frame/shutdown_sequence.h"
#include "frame/startup_sequence.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace qev::frame {
class TFormStartup;
class TLogindSleepMonitor;
} // namespace qev::frame

namespace qev::device {
class TTunerStatusThread;
}

namespace qev::ui {
class TFormDvbMain;
struct TUiContext;
} // namespace qev::ui

namespace qev::video {
class TGstGraphFactory;
class TGraphSlots;
class TDeviceVideoPlayback;
class TVideoManager;
} // namespace qev::video

namespace qev::guide {
class TGuide;
}

namespace qev::teletext {
class TTeletext;
}

namespace qev::app {

class TCommandLink;
class THotKeysLink;
class TDiagnosticsLink;
class TGuideLink;
class TSubtitleLink;
class TTeletextLink;
class TRecorderLink;
class TPluginLink;
class TPluginWindowLink;
class TSchedulerLink;
class TSettingsLink;

// The composition root: it plugs each subsystem into the start-up and the shutdown and owns the
// windows. Needs a QApplication, the dispatcher and the message presenter in place.
class TQevApplication {
public:
  TQevApplication(frame::ProgramOptions options, std::filesystem::path placementFile);
  ~TQevApplication();

  // Runs the start-up; false when the program must end with exit code 1. On success the main
  // window is shown.
  bool Start();
  // A close as the user would give it; before the main window exists it waits for it.
  void RequestClose();
  // The system's sleep and wake-up. Asked for while a call into the module or a switch runs
  // (they pump messages), they wait until it has returned.
  void SystemSuspend();
  void SystemResume();
  // The listener of later starts' command lines; they run once the main window is ready.
  void AttachHandOver(std::unique_ptr<frame::THandOverListener> listener);
  // A command line handed over by a later start (on the user-interface thread).
  void ReceiveCommand(const std::string &text);
  TCommandLink &Commands() { return *commands_; }
  THotKeysLink &HotKeys() { return *hotKeys_; }
  // Called once the close has been agreed and the shutdown begins.
  void OnCloseAgreed(std::function<void()> hook) { closeAgreed_ = std::move(hook); }

  frame::TStartupSequence& StartupSteps() { return startupSteps_; }
  frame::TShutdownSequence& ShutdownSteps() { return shutdownSteps_; }
  frame::TPowerEvents& Power() { return power_; }
  ui::TFormDvbMain* MainWindow() const { return mainWindow_.get(); }
  // What the windows were given of the program; null before the main window exists.
  const ui::TUiContext* UiContext() const { return uiContext_.get(); }
  // The video windows; null before the main window exists.
  video::TVideoManager* Videos() const { return videos_.get(); }
  video::TGraphSlots* GraphSlots() const { return graphSlots_.get(); }
  // What the start-up window showed before it was closed.
  const QStringList& StartupLog() const { return startupLog_; }
  guide::TGuide& Guide();
  // Created with the program over its device module; the teletext window and the subtitles
  // hold it while they are open.
  teletext::TTeletext& Teletext();
  TRecorderLink& Recorder() { return *recorder_; }
  TPluginLink& Plugins() { return *plugins_; }
  // The scheduled jobs; null before the main window exists.
  TSchedulerLink* Scheduler() const { return scheduler_.get(); }

private:
  void PlugSteps();
  // The close that --quit-after gives.
  void CloseForScript();
  void RouteLog();
  int ChooseDevice();
  void ShowProgress(int bits, const ProgressRecord& progress);
  void CreateMainWindow();
  static ui::TUiContext ProgramUiContext();
  void RunCommand(int command, std::intptr_t argument);
  void PostSubtitlePagesChanged();
  void ShowStartupWindow();
  void CloseStartupWindow();
  void ShowDeviceInCaption();
  void ReloadDevice();
  int CreateGraphSlots();
  std::optional<std::string> ReleaseGraphSlots();
  void CreateVideos();
  void PlugVideoHooks();
  bool CloseRequested();

  const frame::ProgramOptions options_;
  const std::filesystem::path placementFile_;
  frame::TLogRouter logRouter_;
  frame::TStartupSequence startupSteps_;
  frame::TShutdownSequence shutdownSteps_;
  frame::TPowerEvents power_;
  std::unique_ptr<device::TTunerStatusThread> tunerStatus_;
  std::unique_ptr<frame::TFormStartup> startupWindow_;
  // Receives what other threads post to the user-interface thread; it outlives the teletext,
  // so nothing is posted to it after it has gone, and posts pending then are dropped with it.
  QObject postTarget_;
  // Declared before the windows, which read it, and created with the program.
  std::unique_ptr<TGuideLink> guide_;
  std::unique_ptr<TTeletextLink> teletext_;
  std::unique_ptr<TRecorderLink> recorder_;
  std::unique_ptr<TPluginLink> plugins_;
  // Over the host: made before it loads, gone before it is freed.
  std::unique_ptr<TPluginWindowLink> pluginWindows_;
  std::unique_ptr<TCommandLink> commands_;
  // Declared before the main window, whose remote handler it holds.
  std::unique_ptr<THotKeysLink> hotKeys_;
  // Declared before the main window, which borrows it.
  std::unique_ptr<ui::TUiContext> uiContext_;
  // Declared after the context it plugs into and before the main window, whose tab it fills.
  std::unique_ptr<TSchedulerLink> scheduler_;
  // The settings dialog and the graph configuration; before the main window that opens them.
  std::unique_ptr<TSettingsLink> settings_;
  std::unique_ptr<ui::TFormDvbMain> mainWindow_;
  std::unique_ptr<TDiagnosticsLink> diagnostics_;
  std::unique_ptr<frame::TLogindSleepMonitor> sleepMonitor_;
  // Declared after the main window, so that the videos close while its panel still exists.
  std::unique_ptr<video::TGstGraphFactory> graphFactory_;
  std::unique_ptr<video::TGraphSlots> graphSlots_;
  std::unique_ptr<video::TDeviceVideoPlayback> playback_;
  std::unique_ptr<video::TVideoManager> videos_;
  // Over the videos' windows, reading the teletext; created with the videos.
  std::unique_ptr<TSubtitleLink> subtitles_;
  QStringList startupLog_;
  QTimer dialogDismisser_;
  // The module chosen at start, loaded again after a system resume.
  std::filesystem::path devicePath_;
  bool closeRequested_ = false;
  std::function<void()> closeAgreed_;
};

} // namespace qev::app
