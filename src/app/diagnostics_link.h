#pragma once

#include <QPointer>

class QWidget;

namespace qev::ui {
class TFormDvbMain;
struct TUiContext;
} // namespace qev::ui

namespace qev::diagnostics {
class TFormResMonitor;
}

namespace qev::app {

// The diagnostic windows in the program: the resource monitor, made hidden with the main
// window and sampling for the whole run (it feeds the main window's processor-load bar), and
// the transport-stream statistics and bitrate viewer, opened from the menu over the device.
class TDiagnosticsLink {
public:
  // Creates the monitor hidden as a tool window of the main window (which frees it), its
  // program load into the window's bar, and adds the "Info" menu that opens the windows.
  void AttachMainWindow(ui::TFormDvbMain &window, ui::TUiContext &context);

private:
  QPointer<ui::TFormDvbMain> window_;
  QPointer<diagnostics::TFormResMonitor> monitor_;
};

} // namespace qev::app
