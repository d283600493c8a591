#include "frame/shutdown_sequence.h"

#include "frame/message_boxes.h"
#include "frame/process_flags.h"

#include <exception>

namespace qev::frame {

namespace {

struct StepFailure {
  const char* message;   // null: the failure is ignored
  bool appendErrorText;  // the error text follows the message
};

StepFailure FailureOf(ShutdownStep step) {
  switch (step) {
  case ShutdownStep::ReleaseEngine:
    return {"Error in DvbEngine_ReleaseResources()", false};
  case ShutdownStep::HideTeletext:
    return {"Error hidding TTX/SUB.", false};
  case ShutdownStep::UnloadDevice:
    return {"Error on FreeHardware()", false};
  case ShutdownStep::FreePlugins:
    return {"Error on Plugins_FreeAll(): ", true};
  case ShutdownStep::ReleaseGraphSlots:
    return {"Error on DsHelper_Free(): ", true};
  default:
    return {nullptr, false};
  }
}

} // namespace

void TShutdownSequence::Plug(ShutdownStep step, Action action) {
  actions_[static_cast<std::size_t>(step)] = std::move(action);
}

void TShutdownSequence::RunStep(ShutdownStep step) const {
  const Action& action = actions_[static_cast<std::size_t>(step)];
  if (!action)
    return;
  std::optional<std::string> error;
  try {
    error = action();
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown error";
  }
  const StepFailure failure = FailureOf(step);
  if (error && failure.message != nullptr)
    ShowError(failure.appendErrorText ? failure.message + *error : std::string(failure.message));
}

bool TShutdownSequence::RequestClose() {
  ProcessFlags& flags = Flags();
  if (flags.Closing)
    return true;
  // A close that arrives while the question is open is the same close: the answer decides.
  if (asking_)
    return false;
  RunStep(ShutdownStep::SavePlacement);
  if (!flags.ForceExit && recordingActive_ && recordingActive_()) {
    asking_ = true;
    const bool stop = Confirm(kAskStopRecordings);
    asking_ = false;
    if (!stop)
      return false;
  }
  flags.Closing = true;
  for (std::size_t i = static_cast<std::size_t>(ShutdownStep::DetachMainWindow);
       i < kShutdownStepCount; ++i)
    RunStep(static_cast<ShutdownStep>(i));
  return true;
}

} // namespace qev::frame
