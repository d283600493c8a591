#include "app/diagnostics_link.h"

#include "device/device_module.h"
#include "device/signal_display.h"
#include "device/tuner.h"
#include "diagnostics/packet_source.h"
#include "diagnostics/qt/form_bitrate_viewer.h"
#include "diagnostics/qt/form_res_monitor.h"
#include "diagnostics/qt/form_ts_statistics.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/main_menus.h"
#include "ui/ui_context.h"

#include <QMenuBar>

namespace qev::app {

void TDiagnosticsLink::AttachMainWindow(ui::TFormDvbMain &window, ui::TUiContext &context) {
  window_ = &window;
  diagnostics::TFormResMonitor::THooks hooks;
  hooks.SignalLevel = [] { return device::SignalDisplay(device::Tuner().Status()).level; };
  hooks.ProgramLoad = [this](int percent) {
    if (window_)
      window_->ShowProcessorLoad(percent);
  };
  monitor_ = new diagnostics::TFormResMonitor(std::move(hooks), &window);

  ui::TInfoMenuHandlers menu;
  menu.TsStatistics = [this] {
    diagnostics::TDevicePacketSource source(device::Device());
    diagnostics::TFormTsStatistics dialog(source, window_);
    dialog.exec();
  };
  menu.BitrateViewer = [this, &context] {
    const data::TChannelRec channel = context.Engine.Slot(0).CurrentChannel;
    if (channel.Freq == 0)
      return;
    diagnostics::TDevicePacketSource source(device::Device());
    diagnostics::TFormBitrateViewer dialog(source, channel, window_);
    dialog.exec();
  };
  menu.ResourceMonitor = [this] {
    if (!monitor_)
      return;
    monitor_->show();
    monitor_->raise();
  };
  ui::AddInfoMenu(*window.menuBar(), menu);
}

} // namespace qev::app
