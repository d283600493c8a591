#include "app/scheduler_link.h"

#include "frame/app_paths.h"
#include "frame/log.h"
#include "recording/qt/form_scheduler_task.h"
#include "recording/qt/frame_scheduler_view.h"
#include "recording/sch_scheduler.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/ui_context.h"

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>

namespace qev::app {

namespace {
constexpr int kSchedulerTabPosition = 0;
} // namespace

// The job dialog over whichever window is active when it is asked for.
class TSchedulerLink::TEditor final : public recording::ISchJobEditor {
public:
  explicit TEditor(ui::TUiContext &context) : context_(context) {}
  bool EditJob(recording::TSchJob &job, const std::string &title) override {
    recording::TQtSchJobEditor editor(QApplication::activeWindow(), context_.Sats, context_.Lists);
    return editor.EditJob(job, title);
  }

private:
  ui::TUiContext &context_;
};

TSchedulerLink::TSchedulerLink(ui::TUiContext &context)
    : context_(context), manager_(recording::MakeSystemctlManager()),
      editor_(std::make_unique<TEditor>(context)) {
  scheduler_ = std::make_unique<recording::TScheduler>(
      recording::MakeUserStore({recording::ReceiverProgram(), frame::Paths().ExeDir}, *manager_),
      context.Hub);
  scheduler_->SchStartup();
  context.Subsystems.SchAddJob = [this](const data::TChannelRec &channel,
                                        const ui::TSchJobRequest &request) {
    scheduler_->SchAddJob(
        {&channel, request.Minutes, request.Comment, request.Action, request.StartLocal}, *editor_);
  };
  // The list as its own window, for the guide, which is modal over the main window.
  context.Subsystems.SchJobList = [this] {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QObject::tr("Scheduled Jobs"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new recording::TFrameSchedulerView(&dialog, *scheduler_, *editor_, context_.Hub));
    dialog.resize(640, 300);
    dialog.exec();
  };
}

TSchedulerLink::~TSchedulerLink() {
  context_.Subsystems.SchAddJob = nullptr;
  context_.Subsystems.SchJobList = nullptr;
}

void TSchedulerLink::AttachMainWindow(ui::TFormDvbMain &mainWindow) {
  auto *view = new recording::TFrameSchedulerView(mainWindow.InfoTabs(), *scheduler_, *editor_,
                                                  context_.Hub);
  mainWindow.InsertInfoTab(kSchedulerTabPosition, view, QObject::tr("Scheduler"));
}

} // namespace qev::app
