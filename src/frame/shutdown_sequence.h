#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qev::frame {

// The guarded steps of the shutdown that other parts of the program fill, in their order.
enum class ShutdownStep {
  SavePlacement,     // only while the main window is visible
  DetachMainWindow,  // unsubscribe from the hub, stop the timers
  SaveSettings,      // options and the last channels
  StopTunerStatus,
  ReleaseEngine,     // guide, teletext, recordings, video outputs, slot 0's channel
  StopRemoteControl,
  HideTeletext,      // teletext and subtitle windows
  PowerOffLnb,       // when the user asked for it
  UnloadDevice,
  FreePlugins,
  ReleaseGraphSlots,
};
inline constexpr std::size_t kShutdownStepCount = 11;

inline constexpr const char* kAskStopRecordings = "Recording is active ! Stop all && EXIT ?";
inline constexpr const char *kSettingsNotSaved = "Settings could not be saved: ";

// Runs the close of the main window. Every step is guarded on its own: a step that fails (by
// returning an error text or by throwing) gets its error box, if it has one, and the later
// steps still run. A failed save always gets one: the settings would be lost without a word.
class TShutdownSequence {
public:
  // Returns an error text on failure, nothing on success.
  using Action = std::function<std::optional<std::string>()>;

  void Plug(ShutdownStep step, Action action);
  // Answers whether a recording is running, for the question before closing.
  void SetRecordingQuery(std::function<bool()> query) { recordingActive_ = std::move(query); }

  // Runs the shutdown; true when the window may close. The first agreed close runs every step;
  // any later one is allowed at once without doing anything.
  bool RequestClose();

  // One step on its own, guarded as in the shutdown (the suspend reuses the release steps).
  void RunStep(ShutdownStep step) const;

  // The boxes of the saving steps that failed in their last run ("Settings could not be saved:
  // " and the error), so that the program can end with an exit code that says so.
  std::vector<std::string> SaveFailures() const;

private:
  // Runs the step guarded and shows its error box; returns the box's text, if one was shown.
  std::optional<std::string> Run(ShutdownStep step) const;
  void RunAndRecord(ShutdownStep step);

  std::array<Action, kShutdownStepCount> actions_;
  std::array<std::optional<std::string>, kShutdownStepCount> saveFailures_;
  std::function<bool()> recordingActive_;
  bool asking_ = false;
};

} // namespace qev::frame
