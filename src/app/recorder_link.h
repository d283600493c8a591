#pragma once

#include <filesystem>
#include <functional>
#include <memory>

class QWidget;

namespace qev::device {
class TDeviceModule;
class TTuningEngine;
} // namespace qev::device
namespace qev::frame {
class TNotificationHub;
}
namespace qev::recording {
class IRecordFiles;
class TDeviceRecordSource;
class TQtRecordDialogs;
class TRecorder;
} // namespace qev::recording
namespace qev::ui {
struct TUiSubsystems;
}

namespace qev::app {

// The program's recorder from start to end: its filters on the loaded device, its questions as
// windows over the main window, the tuning engine's recording entries, and what the windows get
// of it.
class TRecorderLink {
public:
  struct TLinks {
    device::TDeviceModule &Device;
    device::TTuningEngine &Engine;
    frame::TNotificationHub &Hub;
    std::function<std::filesystem::path()> Root; // the records folder's default place
    std::function<QWidget *()> Owner;            // over which the questions open
    recording::IRecordFiles *Files = nullptr;    // null: the real file system
  };

  explicit TRecorderLink(TLinks links);
  // Unplugs the engine's entries, then stops what still records and joins the watch thread.
  ~TRecorderLink();
  TRecorderLink(const TRecorderLink &) = delete;
  TRecorderLink &operator=(const TRecorderLink &) = delete;

  recording::TRecorder &Recorder() { return *recorder_; }
  // The recorder's entries for the windows: starts, stops, the recordings tab.
  void FillSubsystems(ui::TUiSubsystems &subsystems);

private:
  device::TDeviceModule &device_;
  device::TTuningEngine &engine_;
  frame::TNotificationHub &hub_;
  std::unique_ptr<recording::TDeviceRecordSource> source_;
  std::unique_ptr<recording::TQtRecordDialogs> dialogs_;
  std::unique_ptr<recording::TRecorder> recorder_;
};

} // namespace qev::app
