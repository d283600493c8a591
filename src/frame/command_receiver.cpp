#include "frame/command_receiver.h"

#include "frame/process_flags.h"

#include <cstdint>

namespace qev::frame {

namespace {

void Call(const std::function<void()> &hook) {
  if (hook)
    hook();
}

} // namespace

std::int64_t AtEndSeconds(std::int32_t durationMinutes) {
  return std::int64_t(durationMinutes) * 60 + 2;
}

void ExecuteStartRequest(const TCommandRecord &r, const TStartRequestHooks &hooks,
                         TStartRequestOrder order) {
  const auto sleepTimer = [&] {
    if (r.AtEnd != kAtEndNothing && r.Duration > 0 && hooks.SetSleepTimer)
      hooks.SetSleepTimer(AtEndSeconds(r.Duration), r.AtEnd);
  };
  const auto windowState = [&] {
    if (r.WindowState >= kStartWindowNormal && r.WindowState <= kStartWindowFloating &&
        hooks.ApplyWindowState)
      hooks.ApplyWindowState(r.WindowState);
  };
  if (order == TStartRequestOrder::SleepTimerFirst) {
    sleepTimer();
    windowState();
  } else {
    windowState();
    sleepTimer();
  }
}

void TCommandReceiver::ReceiveCommand(std::string_view text) {
  if (!hooks_.Ready || !hooks_.Ready())
    return;
  const TCommandRecord r = ParseCommandLine(text, &resolver_);
  Call(hooks_.ResumeEngine);
  switch (r.Action) {
  case TCommandRecord::kActionView:
    if (r.ChannelHandle >= 0 && hooks_.View)
      hooks_.View(r.ChannelHandle);
    break;
  case TCommandRecord::kActionRecord:
    if (r.ChannelHandle >= 0 && hooks_.Record)
      hooks_.Record(r.ChannelHandle, r.Duration);
    break;
  case TCommandRecord::kActionNext:
  case TCommandRecord::kActionPrevious:
    if (hooks_.StepChannel)
      hooks_.StepChannel(r.Action == TCommandRecord::kActionNext ? 1 : -1);
    break;
  case TCommandRecord::kActionExit:
    Flags().ForceExit = true;
    Call(hooks_.Close);
    break;
  default:
    break;
  }
  ExecuteStartRequest(r, hooks_.StartRequest, TStartRequestOrder::WindowStateFirst);
}

} // namespace qev::frame
