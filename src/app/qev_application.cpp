#include "app/qev_application.h"

#include "app/command_link.h"
#include "app/diagnostics_link.h"
#include "app/editors_link.h"
#include "app/guide_link.h"
#include "app/hotkeys_link.h"
#include "app/guide_window_link.h"
#include "app/plugin_link.h"
#include "app/plugin_window_link.h"
#include "app/input_link.h"
#include "app/recorder_link.h"
#include "app/rescan_link.h"
#include "app/scanner_link.h"
#include "app/scheduler_link.h"
#include "app/screen_saver_link.h"
#include "app/settings_link.h"
#include "app/subtitle_link.h"
#include "app/teletext_link.h"
#include "app/teletext_window_link.h"
#include "data/data_store.h"
#include "device/device_loader.h"
#include "device/device_messages.h"
#include "device/engine_steps.h"
#include "device/qt/form_select_device.h"
#include "device/signal_display.h"
#include "device/tuner.h"
#include "device/tuner_status_thread.h"
#include "frame/app_paths.h"
#include "frame/busy_tracker.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/options_steps.h"
#include "frame/process_flags.h"
#include "frame/qt/form_startup.h"
#include "frame/qt/logind_sleep_monitor.h"
#include "frame/qt/placement_qt.h"
#include "frame/window_placement.h"
#include "recording/recorder.h"
#include "ui/main_commands.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/ui_context.h"
#include "video/device_video_playback.h"
#include "video/graph_slots.h"
#include "video/gst/gst_graph_factory.h"
#include "video/helper_table.h"
#include "video/qt/video_manager.h"

#include <QApplication>
#include <QTimer>

#include <iostream>

namespace qev::app {

namespace {
constexpr std::chrono::milliseconds kDialogDismissInterval{200};

// Every failed save of one step, one a line.
std::optional<std::string> JoinErrors(std::initializer_list<std::optional<std::string>> errors) {
  std::optional<std::string> joined;
  for (const auto& error : errors) {
    if (error)
      joined = joined ? *joined + "\n" + *error : *error;
  }
  return joined;
}
} // namespace

TQevApplication::TQevApplication(frame::ProgramOptions options,
                                 std::filesystem::path placementFile)
    : options_(std::move(options)), placementFile_(std::move(placementFile)),
      power_(shutdownSteps_,
             {[] { return frame::Options().General.NoSuspendAPM; }, [this] { ReloadDevice(); },
              [this] {
                device::SwitchToLastChannel();
                if (plugins_)
                  plugins_->Resumed();
              }}),
      tunerStatus_(device::MakeTunerStatusThread(device::Tuner())),
      guide_(std::make_unique<TGuideLink>(device::Device(), device::TuningEngine().Hooks())),
      teletext_(std::make_unique<TTeletextLink>(device::Device(), device::TuningEngine().Hooks(),
                                                [this] { PostSubtitlePagesChanged(); })),
      recorder_(std::make_unique<TRecorderLink>(
          TRecorderLink::TLinks{device::Device(), device::TuningEngine(),
                                frame::GlobalNotifications(), [] { return frame::Paths().ExeDir; },
                                [this]() -> QWidget* { return mainWindow_.get(); }})),
      plugins_(std::make_unique<TPluginLink>(device::Device(), device::TuningEngine(),
                                             frame::GlobalNotifications())),
      pluginWindows_(std::make_unique<TPluginWindowLink>(plugins_->Host())),
      commands_(std::make_unique<TCommandLink>(TCommandLink::THooks{
          [this](bool show) {
            if (mainWindow_)
              mainWindow_->ShowMainWindow(show);
          },
          [this](int command, std::intptr_t argument) { RunCommand(command, argument); },
          [this] { RequestClose(); }, [this] { power_.Resume(); },
          [this](int minutes) {
            if (uiContext_ && uiContext_->Subsystems.RecStartChannel)
              uiContext_->Subsystems.RecStartChannel(device::TuningEngine().Slot(0).CurrentChannel,
                                                     0, minutes, false);
          }})) {
  // Only the name: a display name would be appended to every window's caption. No file
  // location depends on it; the root is found without Qt.
  QCoreApplication::setApplicationName(frame::kApplicationTitle);
  device::Tuner().AttachStatusThread(tunerStatus_.get());
  RouteLog();
  device::SetDeviceMessageHandlers(
      {[this](int level, const std::string& text) { logRouter_.Show(level, text); },
       [this](int bits, const ProgressRecord& progress) { ShowProgress(bits, progress); },
       [this](int value) { RunCommand(ui::kCmdReception, value); },
       [this](int value) { RunCommand(ui::kCmdWindowMode, value); }});
  PlugSteps();
  hotKeys_ = std::make_unique<THotKeysLink>(startupSteps_, shutdownSteps_);
}

TQevApplication::~TQevApplication() {
  // No later start's text arrives while the windows go.
  commands_->AttachHandOver(nullptr);
  // Freeing the plugins pumps messages (their filters close through the module): the windows
  // those messages reach, and the module, must still be there.
  pluginWindows_.reset();
  plugins_.reset();
  if (mainWindow_)
    mainWindow_->AttachVideos(nullptr);
  subtitles_.reset();
  videos_.reset();
  // A module still loaded (no shutdown ran) may be calling the helpers from its threads: it
  // goes before the graph slots it feeds.
  if (graphSlots_ && device::Device().Loaded())
    device::Device().Unload();
  ReleaseGraphSlots();
  device::Tuner().AttachStatusThread(nullptr);
  frame::SetLogTarget(nullptr);
  device::SetDeviceMessageHandlers({});
  logRouter_.AttachMainWindow(nullptr);
  logRouter_.AttachStartupWindow(nullptr);
}

void TQevApplication::PlugSteps() {
  startupSteps_.Plug(frame::StartupStep::Options, frame::LoadOptionsStep);
  startupSteps_.Plug(frame::StartupStep::Favorites, data::LoadFavoritesStep);
  startupSteps_.Plug(frame::StartupStep::Satellites, data::LoadSatellitesStep);
  startupSteps_.Plug(frame::StartupStep::LastChannels, device::LoadLastChannelsStep);
  startupSteps_.Plug(frame::StartupStep::Gestures, LoadGesturesStep);
  startupSteps_.Plug(frame::StartupStep::StartChannel, frame::StartChannelStep);
  startupSteps_.Plug(frame::StartupStep::ProcessorAffinity, frame::ProcessorAffinityStep);
  startupSteps_.Plug(frame::StartupStep::GraphSlotLocks, [this] { return CreateGraphSlots(); });
  startupSteps_.Plug(frame::StartupStep::Device, [this] { return ChooseDevice(); });
  startupSteps_.Plug(frame::StartupStep::Plugins,
                     [this] { return plugins_->LoadStep(frame::Flags().PipPossible); });
  startupSteps_.Plug(frame::StartupStep::Channels, data::LoadChannelsStep);
  shutdownSteps_.SetRecordingQuery([this] { return recorder_->Recorder().RecIsActive(); });
  shutdownSteps_.Plug(frame::ShutdownStep::SaveSettings, [this]() -> std::optional<std::string> {
    auto optionsError = frame::SaveOptionsStep();
    auto lastChannelsError = device::SaveLastChannelsStep();
    auto guideError = guide_->SaveKept(frame::Paths().ExeDir);
    return JoinErrors({optionsError, lastChannelsError, guideError});
  });
  shutdownSteps_.Plug(
      frame::ShutdownStep::DetachMainWindow, [this]() -> std::optional<std::string> {
        if (closeAgreed_)
          closeAgreed_();
        if (mainWindow_)
          mainWindow_->Detach();
        return std::nullopt;
      });
  shutdownSteps_.Plug(frame::ShutdownStep::StopTunerStatus, []() -> std::optional<std::string> {
    device::Tuner().SetStatusMode(device::TTunerStatusThread::kStopped);
    return std::nullopt;
  });
  shutdownSteps_.Plug(frame::ShutdownStep::ReleaseEngine, [this] {
    // All six videos close, none reopening another, before the engine lets go of the slots.
    if (videos_)
      videos_->Outputs().CloseAll();
    return device::ReleaseEngineStep();
  });
  shutdownSteps_.Plug(frame::ShutdownStep::PowerOffLnb, []() -> std::optional<std::string> {
    if (frame::Options().General.PowerOffLnb)
      device::Tuner().SetLnbSupply(false);
    return std::nullopt;
  });
  shutdownSteps_.Plug(frame::ShutdownStep::UnloadDevice, [this]() -> std::optional<std::string> {
    // Plugin filters belong to this module: closed while it is still there.
    if (plugins_)
      plugins_->CloseFilters();
    device::Device().Unload();
    return std::nullopt;
  });
  shutdownSteps_.Plug(frame::ShutdownStep::FreePlugins, [this]() -> std::optional<std::string> {
    if (plugins_)
      plugins_->FreeStep();
    return std::nullopt;
  });
  shutdownSteps_.Plug(frame::ShutdownStep::ReleaseGraphSlots,
                      [this] { return ReleaseGraphSlots(); });
  shutdownSteps_.Plug(frame::ShutdownStep::SavePlacement,
                      [this]() -> std::optional<std::string> {
                        if (!mainWindow_ || !mainWindow_->isVisible())
                          return std::nullopt;
                        std::string error = frame::SavePlacement(
                            placementFile_, frame::CurrentPlacement(*mainWindow_));
                        return error.empty() ? std::nullopt : std::optional(std::move(error));
                      });
}

// The log goes where a module's messages go, and its errors also to standard error.
void TQevApplication::RouteLog() {
  frame::SetLogTarget(frame::EchoToStream(
      [](int message, int level, const char *text) {
        device::ProgramDeviceCallback(message, level, const_cast<char *>(text));
      },
      std::cerr, "qevdvb: "));
}

int TQevApplication::ChooseDevice() {
  const bool ctrlHeld = QApplication::queryKeyboardModifiers() & Qt::ControlModifier;
  device::TQtDeviceChooser chooser;
  const int result = device::ChooseAndLoadDevice(
      {options_.chooseDevice || ctrlHeld, options_.offline, options_.deviceFile}, chooser,
      &video::HelperTable());
  devicePath_ = device::Device().Path();
  RouteLog(); // loading a module points the log at the module's callback alone
  return result;
}

void TQevApplication::ReloadDevice() {
  if (devicePath_.empty())
    return;
  ShowStartupWindow();
  device::LoadDeviceModule(device::Device(), devicePath_, &device::ProgramDeviceCallback,
                           &video::HelperTable());
  RouteLog();
  ShowDeviceInCaption();
  CloseStartupWindow();
}

// The six graph slots that the helper table hands to the device module; pictures are shown.
int TQevApplication::CreateGraphSlots() {
  graphFactory_ = std::make_unique<video::TGstGraphFactory>(video::TRenderMode::Show);
  graphSlots_ = std::make_unique<video::TGraphSlots>(*graphFactory_);
  video::SetHelperSlots(graphSlots_.get());
  playback_ = std::make_unique<video::TDeviceVideoPlayback>(graphSlots_.get());
  return 0;
}

// After the device module has been unloaded: nothing calls the helpers any more.
std::optional<std::string> TQevApplication::ReleaseGraphSlots() {
  video::SetHelperSlots(nullptr);
  if (playback_)
    playback_->SetSlots(nullptr);
  graphSlots_.reset();
  graphFactory_.reset();
  return std::nullopt;
}

void TQevApplication::CreateVideos() {
  if (!playback_)
    playback_ = std::make_unique<video::TDeviceVideoPlayback>(nullptr);
  video::TVideoContext context;
  context.Video0Disabled = [] { return frame::Options().General.Video0Disabled; };
  context.CropPercent = [] { return frame::Options().General.VidCropPercent; };
  context.OverscanPixels = [] { return frame::Options().General.OverscanPixels; };
  context.ChanVolAdjust = [] { return frame::Options().General.ChanVolAdjust; };
  context.VolumeFactor = [](int slot) { return device::TuningEngine().Slot(slot).VolumeFactor; };
  context.RefreshVolumeDisplay = [this] { mainWindow_->RefreshVolume(); };
  context.Notify = [](int first, std::intptr_t value) {
    frame::NotifyGlobal(frame::kNotifyVideoOutput, first, value);
  };
  context.ConfigFile = [] {
    return frame::FindExisting(frame::Paths().Configs / video::kVideoWinFile).string();
  };
  video::TVideoManagerLinks links;
  links.Filters = [this](int index) {
    return graphSlots_ ? graphSlots_->ListFilters(index) : std::vector<video::TFilterInfo>{};
  };
  links.DoubleClickZone = [] { return frame::Options().General.VideoDblClickZo; };
  links.GraphConfig = [this](int index) {
    if (!settings_)
      return;
    video::TVideoOutputs &outputs = videos_->Outputs();
    settings_->ShowGraphConfig(index, mainWindow_.get(), [&outputs, index] {
      outputs.SetVideoState(index, video::kReopen, false);
    });
  };
  videos_ = std::make_unique<video::TVideoManager>(*playback_, std::move(context), links);
  videos_->AttachMainPanel(mainWindow_->VideoPanel());
  mainWindow_->AttachVideos(videos_.get());
  LinkVideoGestures(*mainWindow_, *videos_);
  subtitles_ = std::make_unique<TSubtitleLink>(frame::GlobalNotifications(), Teletext(), *videos_,
                                               *mainWindow_->VideoPanel());
  PlugVideoHooks();
}

// The tuning engine opens, closes and sets the videos of the slots it switches.
void TQevApplication::PlugVideoHooks() {
  device::TSwitchHooks &hooks = device::TuningEngine().Hooks();
  video::TVideoOutputs &outputs = videos_->Outputs();
  hooks.OutputOpen = [&outputs](int output) { return outputs.State(output) != video::kClosed; };
  hooks.OpenOutput = [&outputs](int output) {
    outputs.SetVideoState(output, outputs.ReopenState(output), false);
  };
  hooks.CloseOutput = [&outputs](int output) {
    outputs.SetVideoState(output, video::kClosed, false);
  };
  hooks.SlotSound = [&outputs](int slot) -> std::optional<device::TSlotSound> {
    const video::TVideoVolume sound = outputs.Settings(slot).Sound;
    return device::TSlotSound{sound.Volume, sound.Muted};
  };
  hooks.SlotPicture = [&outputs](int slot) -> std::optional<PictureRecord> {
    const PictureRecord &picture = outputs.Settings(slot).Picture;
    if (video::PictureTag(picture).empty())
      return std::nullopt;
    return picture;
  };
}

void TQevApplication::ShowProgress(int bits, const ProgressRecord& progress) {
  if (!startupWindow_)
    return;
  if (bits & QEV_PROGRESS_SET_MAXIMUM)
    startupWindow_->SetProgressMaximum(progress.Maximum);
  if (bits & QEV_PROGRESS_SET_POSITION)
    startupWindow_->SetProgressPosition(progress.Position);
  if (bits & QEV_PROGRESS_SHOW)
    startupWindow_->SetProgressVisible(progress.Visible != 0);
}

bool TQevApplication::Start() {
  // Counted from the start, so that a script is never left waiting on a dialog of the start-up.
  if (options_.quitAfterMs)
    QTimer::singleShot(*options_.quitAfterMs, qApp, [this] { CloseForScript(); });
  ShowStartupWindow();
  const int result = startupSteps_.Run();
  if (result == 2 && !closeRequested_)
    startupWindow_->WaitForClose();
  if (result != 0) {
    CloseStartupWindow();
    return false;
  }
  CreateMainWindow();
  return true;
}

guide::TGuide& TQevApplication::Guide() { return guide_->Guide(); }

teletext::TTeletext& TQevApplication::Teletext() { return teletext_->Teletext(); }

// From the device's delivery thread as from the user-interface thread: the main window rebuilds
// its subtitle menu on its own thread.
void TQevApplication::PostSubtitlePagesChanged() {
  QMetaObject::invokeMethod(
      &postTarget_, [this] { RunCommand(ui::kCmdSubtitlePages, 0); }, Qt::QueuedConnection);
}

void TQevApplication::CreateMainWindow() {
  // The kept guide is in the store before the first switch starts collecting.
  guide_->LoadKept(frame::Paths().ExeDir);
  uiContext_ = std::make_unique<ui::TUiContext>(ProgramUiContext());
  uiContext_->Subsystems.GuideNowEvent = guide_->NowLookup();
  uiContext_->Subsystems.SubtitlePages = [this] { return teletext_->SubtitlePages(); };
  recorder_->FillSubsystems(uiContext_->Subsystems);
  plugins_->FillSubsystems(uiContext_->Subsystems);
  pluginWindows_->FillSubsystems(uiContext_->Subsystems, [this] { return mainWindow_.get(); });
  uiContext_->Subsystems.OpenGuide = [this] {
    OpenGuideWindow(mainWindow_.get(), *uiContext_, guide_->Guide());
  };
  uiContext_->Subsystems.OpenTeletext = [this] {
    OpenTeletextWindow(mainWindow_.get(), teletext_->Teletext(), frame::GlobalNotifications(),
                       frame::Options().Teletext);
  };
  PlugSubtitles(uiContext_->Subsystems, subtitles_);
  uiContext_->Subsystems.ScanSatellite = [this](int satIndex) {
    ScanSatellite(mainWindow_.get(), *uiContext_, satIndex);
  };
  uiContext_->Subsystems.ScanTransponder = [this](int satIndex, const data::TTransponder &tp) {
    ScanSatellite(mainWindow_.get(), *uiContext_, satIndex, tp);
  };
  uiContext_->Subsystems.ClearSleepTimer = [this] { commands_->SleepTimer().ClearSleepTimer(); };
  hotKeys_->FillContext(*uiContext_,
                        [this](int command) { commands_->RunPowerCommand(command); });
  LinkChildLock(*uiContext_);
  diagnostics_ = std::make_unique<TDiagnosticsLink>();
  PlugEditors(*uiContext_, [this] { return static_cast<QWidget *>(mainWindow_.get()); });
  frame::Log("Scheduler initialization");
  scheduler_ = std::make_unique<TSchedulerLink>(*uiContext_);
  settings_ = std::make_unique<TSettingsLink>([this] {
    if (subtitles_)
      subtitles_->Refresh();
    frame::ProcessorAffinityStep();
    hotKeys_->ApplyRemoteOptions();
  });
  settings_->FillSubsystems(uiContext_->Subsystems, [this] { return mainWindow_.get(); });
  mainWindow_ =
      std::make_unique<ui::TFormDvbMain>(*uiContext_, [this] { return CloseRequested(); });
  scheduler_->AttachMainWindow(*mainWindow_);
  diagnostics_->AttachMainWindow(*mainWindow_, *uiContext_);
  ShowDeviceInCaption();
  if (const auto placement = frame::LoadPlacement(placementFile_))
    frame::RestorePlacement(*mainWindow_, *placement);
  frame::Log("Build user interface");
  mainWindow_->ChannelTree(0)->RebuildTree();
  logRouter_.AttachMainWindow(mainWindow_.get());
  CreateVideos();
  LinkScreenSaver(*mainWindow_);
  mainWindow_->AddActionWidget(commands_->MakeSleepTimerButton(mainWindow_.get()));
  AddChildLockButton(*mainWindow_);
  const frame::TCommandRecord start = commands_->ApplyOwnCommandLine(options_.commandWords);
  mainWindow_->show();
  commands_->ApplyWindowState(start);
  CloseStartupWindow();
  commands_->SetReady();

  sleepMonitor_ = std::make_unique<frame::TLogindSleepMonitor>(frame::TLogindSleepMonitor::Handlers{
      [this] { return power_.SuspendAllowed(); }, [this] { SystemSuspend(); },
      [this] { SystemResume(); }});
  commands_->AttachSleepMonitor(sleepMonitor_.get());
  if (closeRequested_)
    QTimer::singleShot(0, mainWindow_.get(), [this] { RequestClose(); });
  else
    commands_->RecordIfAsked(start, device::SwitchToStartChannel());
}

// The shutdown; a shut-down action of the sleep timer powers the machine off once it has run.
bool TQevApplication::CloseRequested() {
  if (!shutdownSteps_.RequestClose())
    return false;
  commands_->AfterClose();
  return true;
}

void TQevApplication::AttachHandOver(std::unique_ptr<frame::THandOverListener> listener) {
  commands_->AttachHandOver(std::move(listener));
}

void TQevApplication::ReceiveCommand(const std::string &text) { commands_->ReceiveCommand(text); }

void TQevApplication::ShowStartupWindow() {
  startupWindow_ = std::make_unique<frame::TFormStartup>();
  startupWindow_->show();
  logRouter_.AttachStartupWindow(startupWindow_.get());
}

void TQevApplication::ShowDeviceInCaption() {
  if (!mainWindow_)
    return;
  const bool loaded = device::Device().Loaded();
  mainWindow_->SetDevice(loaded ? device::Device().Name() : std::string(),
                         loaded ? device::Device().DeviceInfoText() : std::string());
}

// The windows' view of the program, with what the program has of the subsystems so far.
ui::TUiContext TQevApplication::ProgramUiContext() {
  ui::TUiContext context = ui::ProgramUiContext();
  context.Signal = [] { return device::SignalDisplay(device::Tuner().Status()); };
  if (device::Device().Loaded()) {
    context.Subsystems.DeviceSettings = [] { device::Device().ShowDeviceSettings(); };
    context.Subsystems.RescanByHandle = [](std::int32_t handle) {
      RescanStoredChannel(QApplication::activeWindow(), handle);
    };
  }
  return context;
}

// Commands of the device module reach the main window like those of keys.
void TQevApplication::RunCommand(int command, std::intptr_t argument) {
  if (mainWindow_)
    mainWindow_->Execute(ui::kCommandMessage, command, argument);
}

void TQevApplication::CloseStartupWindow() {
  logRouter_.AttachStartupWindow(nullptr);
  startupLog_ = startupWindow_->LogLines();
  startupWindow_.reset();
}

void TQevApplication::CloseForScript() {
  // The close may bring up boxes of its own (a failed save); the script is not left waiting on
  // them either. What they say also goes to standard error.
  QObject::connect(&dialogDismisser_, &QTimer::timeout, [] {
    if (QWidget *dialog = QApplication::activeModalWidget())
      dialog->close();
  });
  dialogDismisser_.start(kDialogDismissInterval);
  RequestClose();
}

void TQevApplication::SystemSuspend() {
  frame::Operations().WhenIdle([this] { power_.Suspend(); });
}

void TQevApplication::SystemResume() {
  // Deferred like the suspend, so that it never overtakes a suspend still waiting.
  frame::Operations().WhenIdle([this] { power_.Resume(); });
}

void TQevApplication::RequestClose() {
  closeRequested_ = true;
  if (mainWindow_) {
    mainWindow_->close();
    return;
  }
  if (QWidget* dialog = QApplication::activeModalWidget())
    dialog->close();
  if (startupWindow_)
    startupWindow_->close();
}

} // namespace qev::app
