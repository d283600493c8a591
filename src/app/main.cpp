#include "app/close_watchdog.h"
#include "app/desktop_identity.h"
#include "app/qev_application.h"
#include "device/device_module.h"
#include "frame/app_paths.h"
#include "frame/instance_hand_over.h"
#include "frame/message_boxes.h"
#include "frame/process_flags.h"
#include "frame/program_options.h"
#include "frame/string_utils.h"
#include "frame/qt/qt_dispatcher.h"
#include "frame/qt/qt_message_presenter.h"
#include "frame/qt/termination_watcher.h"
#include "frame/termination_signals.h"

#include <QApplication>

#include <iostream>

using namespace qev;

int main(int argc, char* argv[]) {
  // Before any thread exists, so that every thread inherits the blocked termination signals.
  frame::TTerminationSignals terminationSignals;

  const std::string programName = std::filesystem::path(argv[0]).filename().string();
  const auto parsed = frame::ParseProgramOptions({argv + 1, argv + argc});
  if (!parsed.error.empty()) {
    std::cerr << programName << ": " << parsed.error << "\nTry '" << programName
              << " --help'.\n";
    return 2;
  }
  if (parsed.options.help) {
    std::cout << frame::ProgramHelp(programName);
    return 0;
  }
  if (parsed.options.version) {
    std::cout << "QEV-DVB " << QEV_VERSION << '\n';
    return 0;
  }

  const auto exeDir = frame::ExecutableFile().parent_path();
  const auto root =
      frame::ResolveRoot(frame::RootSourcesFromEnvironment(parsed.options.root, exeDir));
  // Before anything else of the program exists: a running instance takes the command line.
  frame::THandOverResult handOver =
      frame::HandOver(frame::HandOverPlaceOf(root, frame::HandOverRuntimeFolder()),
                      frame::JoinArguments(parsed.options.commandWords));
  if (handOver.handedOver)
    return 0;
  if (!handOver.listener)
    std::cerr << programName << ": " << handOver.error << '\n';
  if (const std::string error = frame::SeedRoot(root, frame::ShareDir(exeDir)); !error.empty())
    std::cerr << programName << ": " << error << '\n';
  frame::SetPaths(frame::TAppPaths(root));

  QApplication qtApplication(argc, argv);
  app::SetDesktopIdentity();
  frame::TQtDispatcher dispatcher;
  frame::SetCurrentDispatcher(&dispatcher);
  frame::TQtMessagePresenter presenter;
  frame::SetMessagePresenter(&presenter);

  // Outlives the application, so that a hang anywhere in the close ends the process.
  app::TCloseWatchdog watchdog(programName, terminationSignals.Descriptor(),
                               [] { return device::HangingCallText(device::Device()); });
  int exitCode = 1;
  {
    app::TQevApplication application(parsed.options,
                                     frame::Paths().PlacementFile(programName));
    application.OnCloseAgreed([&watchdog] { watchdog.Arm(); });
    application.AttachHandOver(std::move(handOver.listener));
    frame::TTerminationWatcher watcher(terminationSignals, [&](int) {
      frame::Flags().ForceExit = true;
      application.RequestClose();
    });
    if (application.Start())
      exitCode = qtApplication.exec();
    // The boxes are gone with the windows; a terminal or a script still learns of the loss.
    for (const std::string &failure : application.ShutdownSteps().SaveFailures()) {
      std::cerr << programName << ": " << failure << '\n';
      if (exitCode == 0)
        exitCode = 1;
    }
  }
  frame::SetMessagePresenter(nullptr);
  frame::SetCurrentDispatcher(nullptr);
  return exitCode;
}
