#include "app/qev_application.h"

#include "frame/options_steps.h"
#include "frame/qt/form_startup.h"
#include "frame/qt/logind_sleep_monitor.h"
#include "frame/qt/placement_qt.h"
#include "frame/window_placement.h"
#include "ui/qt/form_dvb_main.h"

#include <QTimer>

namespace qev::app {

TQevApplication::TQevApplication(frame::ProgramOptions options,
                                 std::filesystem::path placementFile)
    : options_(std::move(options)), placementFile_(std::move(placementFile)),
      power_(shutdownSteps_, {}) {
  frame::SetLogTarget([this](int message, int level, const char* text) {
    if (message == frame::kMessageLogLine)
      logRouter_.Show(level, text);
  });
  PlugSteps();
}

TQevApplication::~TQevApplication() {
  frame::SetLogTarget(nullptr);
  logRouter_.AttachMainWindow(nullptr);
  logRouter_.AttachStartupWindow(nullptr);
}

void TQevApplication::PlugSteps() {
  startupSteps_.Plug(frame::StartupStep::Options, frame::LoadOptionsStep);
  startupSteps_.Plug(frame::StartupStep::StartChannel, frame::StartChannelStep);
  startupSteps_.Plug(frame::StartupStep::ProcessorAffinity, frame::ProcessorAffinityStep);
  shutdownSteps_.Plug(frame::ShutdownStep::SaveSettings, frame::SaveOptionsStep);
  shutdownSteps_.Plug(frame::ShutdownStep::SavePlacement,
                      [this]() -> std::optional<std::string> {
                        if (!mainWindow_ || !mainWindow_->isVisible())
                          return std::nullopt;
                        std::string error = frame::SavePlacement(
                            placementFile_, frame::CurrentPlacement(*mainWindow_));
                        if (!error.empty())
                          frame::Log(error, frame::kLogError);
                        return std::nullopt;
                      });
}

bool TQevApplication::Start() {
  startupWindow_ = std::make_unique<frame::TFormStartup>();
  startupWindow_->show();
  logRouter_.AttachStartupWindow(startupWindow_.get());

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

void TQevApplication::CreateMainWindow() {
  mainWindow_ = std::make_unique<ui::TFormDvbMain>([this] { return shutdownSteps_.RequestClose(); });
  frame::Log("Scheduler initialization");
  if (const auto placement = frame::LoadPlacement(placementFile_))
    frame::RestorePlacement(*mainWindow_, *placement);
  frame::Log("Build user interface");
  logRouter_.AttachMainWindow(mainWindow_.get());
  mainWindow_->show();
  CloseStartupWindow();

  sleepMonitor_ = std::make_unique<frame::TLogindSleepMonitor>(frame::TLogindSleepMonitor::Handlers{
      [this] { return power_.SuspendAllowed(); }, [this] { power_.Suspend(); },
      [this] { power_.Resume(); }});
  if (options_.quitAfterMs)
    QTimer::singleShot(*options_.quitAfterMs, mainWindow_.get(), [this] { RequestClose(); });
  if (closeRequested_)
    QTimer::singleShot(0, mainWindow_.get(), [this] { RequestClose(); });
}

void TQevApplication::CloseStartupWindow() {
  logRouter_.AttachStartupWindow(nullptr);
  startupLog_ = startupWindow_->LogLines();
  startupWindow_.reset();
}

void TQevApplication::RequestClose() {
  closeRequested_ = true;
  if (mainWindow_)
    mainWindow_->close();
  else if (startupWindow_)
    startupWindow_->close();
}

} // namespace qev::app
