#pragma once

#include <memory>

namespace qev::recording {
class ISchManager;
class TScheduler;
} // namespace qev::recording
namespace qev::ui {
class TFormDvbMain;
struct TUiContext;
} // namespace qev::ui

namespace qev::app {

// The program's scheduled jobs: systemd user timers that start this program on this root with
// the job's command line. Offers the job dialog to the channel tree and the guide, and shows
// the job list among the main window's information tabs.
class TSchedulerLink {
public:
  // Reads the jobs (logged when the unit folder cannot be used).
  TSchedulerLink(ui::TUiContext &context);
  ~TSchedulerLink();
  TSchedulerLink(const TSchedulerLink &) = delete;
  TSchedulerLink &operator=(const TSchedulerLink &) = delete;

  recording::TScheduler &Scheduler() { return *scheduler_; }
  // The scheduler tab in the main window, before the satellites.
  void AttachMainWindow(ui::TFormDvbMain &mainWindow);

private:
  class TEditor;
  ui::TUiContext &context_;
  std::unique_ptr<recording::ISchManager> manager_;
  std::unique_ptr<recording::TScheduler> scheduler_;
  std::unique_ptr<TEditor> editor_;
};

} // namespace qev::app
