#include "app/command_link.h"

#include "data/data_store.h"
#include "device/engine_steps.h"
#include "device/tuning_engine.h"
#include "frame/busy_tracker.h"
#include "frame/options.h"
#include "frame/qt/logind_power.h"
#include "frame/string_utils.h"
#include "recording/qt/sleep_timer_widgets.h"

#include "ui/hotkey_table.h"
#include "ui/main_commands.h"
#include <QEventLoop>
#include <QTimer>

namespace qev::app {

namespace {
constexpr int kPowerOffWaitMs = 5000;
} // namespace

TCommandLink::TCommandLink(THooks hooks)
    : hooks_(std::move(hooks)), channels_(data::Satellites(), data::ChannelLists()),
      receiver_(
          channels_,
          frame::TCommandHooks{
              [this] { return ready_; },
              [this] { hooks_.ResumeEngine(); },
              [](std::int32_t handle) { device::TuningEngine().SwitchChannel(0, handle, true); },
              [](std::int32_t handle, int minutes) {
                device::TuningEngine().SwitchAndRecord(0, handle, minutes);
              },
              [this](int direction) {
                hooks_.RunCommand(direction > 0 ? ui::kCmdChannelNext : ui::kCmdChannelPrev, 0);
              },
              [this] { hooks_.RequestClose(); },
              {[this](std::int64_t seconds, int action) {
                 sleepTimer_.SetSleepTimer(seconds, action);
               },
               [this](int state) { ApplyStartRequest(state); }}}),
      power_(std::make_unique<frame::TLogindPower>()) {}

TCommandLink::~TCommandLink() {
  // The listener's thread ends before anything it posts to goes.
  listener_.reset();
}

void TCommandLink::AttachHandOver(std::unique_ptr<frame::THandOverListener> listener) {
  listener_ = std::move(listener);
  if (!listener_)
    return;
  listener_->Start([this](std::string text) {
    QMetaObject::invokeMethod(
        &context_, [this, text = std::move(text)] { ReceiveCommand(text); }, Qt::QueuedConnection);
  });
}

void TCommandLink::ReceiveCommand(const std::string &text) {
  frame::Operations().WhenIdle([this, text] { receiver_.ReceiveCommand(text); });
}

frame::TCommandRecord TCommandLink::ApplyOwnCommandLine(const std::vector<std::string> &words) {
  const frame::TCommandRecord r = frame::ParseCommandLine(frame::JoinArguments(words), &channels_);
  if (r.NoVideo)
    frame::Options().General.Video0Disabled = true;
  if (r.Action == frame::TCommandRecord::kActionView ||
      r.Action == frame::TCommandRecord::kActionRecord)
    frame::Options().Session.StartChannel = r.ChannelHandle;
  return r;
}

void TCommandLink::ApplyWindowState(const frame::TCommandRecord &record) {
  frame::ExecuteStartRequest(
      record,
      {[this](std::int64_t seconds, int action) { sleepTimer_.SetSleepTimer(seconds, action); },
       [this](int state) { ApplyStartRequest(state); }},
      frame::TStartRequestOrder::SleepTimerFirst);
}

void TCommandLink::RecordIfAsked(const frame::TCommandRecord &record, bool switched) {
  const auto &start = device::TuningEngine().Hooks().StartRecording;
  if (switched && record.Action == frame::TCommandRecord::kActionRecord && start)
    start(0, record.Duration);
}

// Output 0's window modes: 1 embedded, 2 floating, 3 full screen.
void TCommandLink::ApplyStartRequest(int windowState) {
  switch (windowState) {
  case frame::kStartWindowNormal:
    hooks_.ShowMainWindow(true);
    hooks_.RunCommand(ui::kCmdWindowMode, 1);
    break;
  case frame::kStartWindowMinimised:
    hooks_.ShowMainWindow(false);
    break;
  case frame::kStartWindowFullScreen:
    hooks_.RunCommand(ui::kCmdWindowMode, 3);
    break;
  case frame::kStartWindowFloating:
    hooks_.RunCommand(ui::kCmdWindowMode, 2);
    break;
  default:
    break;
  }
}

recording::TSleepHandlers TCommandLink::SleepHandlers() {
  recording::TSleepHandlers handlers;
  handlers.CloseProgram = [this] { hooks_.RequestClose(); };
  handlers.Suspend = [this] { power_->Suspend(); };
  handlers.Hibernate = [this] { power_->Hibernate(); };
  handlers.ShutDown = [this] {
    powerOffAfterClose_ = true;
    hooks_.RequestClose();
  };
  handlers.RecordSlot0 = [this](int minutes) { hooks_.RecordSlot0(minutes); };
  return handlers;
}

void TCommandLink::RunPowerCommand(int command) {
  switch (command) {
  case ui::kActionStandby:
  case ui::kActionSuspend:
    recording::FireSleepAction(recording::kSleepSuspend, 0, SleepHandlers());
    break;
  case ui::kActionShutdown:
    recording::FireSleepAction(recording::kSleepShutdown, 0, SleepHandlers());
    break;
  case ui::kActionHibernate:
    recording::FireSleepAction(recording::kSleepHibernate, 0, SleepHandlers());
    break;
  default:
    break;
  }
}

QWidget *TCommandLink::MakeSleepTimerButton(QWidget *parent) {
  return new recording::TSleepTimerButton(sleepTimer_, SleepHandlers(), parent);
}

void TCommandLink::AttachSleepMonitor(frame::TLogindSleepMonitor *monitor) {
  power_->SetSleepMonitor(monitor);
}

void TCommandLink::AfterClose() {
  if (!powerOffAfterClose_)
    return;
  // The program is about to end: the request must have left before it does.
  QEventLoop wait;
  bool answered = false;
  power_->PowerOff([&](bool) {
    answered = true;
    wait.quit();
  });
  QTimer::singleShot(kPowerOffWaitMs, &wait, &QEventLoop::quit);
  if (!answered)
    wait.exec();
}

} // namespace qev::app
