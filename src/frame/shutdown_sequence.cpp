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
  case ShutdownStep::SavePlacement:
  case ShutdownStep::SaveSettings:
    return {kSettingsNotSaved, true};
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

std::optional<std::string> TShutdownSequence::Run(ShutdownStep step) const {
  const Action& action = actions_[static_cast<std::size_t>(step)];
  if (!action)
    return std::nullopt;
  std::optional<std::string> error;
  try {
    error = action();
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown error";
  }
  const StepFailure failure = FailureOf(step);
  if (!error || failure.message == nullptr)
    return std::nullopt;
  std::string text = failure.appendErrorText ? failure.message + *error : failure.message;
  ShowError(text);
  return text;
}

void TShutdownSequence::RunStep(ShutdownStep step) const { Run(step); }

void TShutdownSequence::RunAndRecord(ShutdownStep step) {
  std::optional<std::string> failure = Run(step);
  if (step == ShutdownStep::SavePlacement || step == ShutdownStep::SaveSettings)
    saveFailures_[static_cast<std::size_t>(step)] = std::move(failure);
}

std::vector<std::string> TShutdownSequence::SaveFailures() const {
  std::vector<std::string> failures;
  for (const auto &failure : saveFailures_) {
    if (failure)
      failures.push_back(*failure);
  }
  return failures;
}

bool TShutdownSequence::RequestClose() {
  ProcessFlags& flags = Flags();
  if (flags.Closing)
    return true;
  // A close that arrives while the question is open is the same close: the answer decides.
  if (asking_)
    return false;
  RunAndRecord(ShutdownStep::SavePlacement);
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
    RunAndRecord(static_cast<ShutdownStep>(i));
  return true;
}

} // namespace qev::frame
