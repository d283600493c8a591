#include "app/diagnostics_link.h"

#include "device/device_module.h"
#include "device/signal_display.h"
#include "device/tuner.h"
#include "diagnostics/packet_source.h"
#include "diagnostics/qt/form_bitrate_viewer.h"
#include "diagnostics/qt/form_res_monitor.h"
#include "diagnostics/qt/form_ts_statistics.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/ui_context.h"

namespace qev::app {

void TDiagnosticsLink::FillSubsystems(ui::TUiContext &context) {
  ui::TUiSubsystems &subsystems = context.Subsystems;
  subsystems.OpenTsStatistics = [this] {
    diagnostics::TDevicePacketSource source(device::Device());
    diagnostics::TFormTsStatistics window(source, window_);
    window.exec();
  };
  subsystems.OpenBitrateViewer = [this, &context] {
    const data::TChannelRec channel = context.Engine.Slot(0).CurrentChannel;
    if (channel.Freq == 0)
      return;
    diagnostics::TDevicePacketSource source(device::Device());
    diagnostics::TFormBitrateViewer window(source, channel, window_);
    window.exec();
  };
  subsystems.ShowResourceMonitor = [this] {
    if (!monitor_)
      return;
    monitor_->show();
    monitor_->raise();
  };
}

void TDiagnosticsLink::AttachMainWindow(ui::TFormDvbMain &window) {
  window_ = &window;
  diagnostics::TFormResMonitor::THooks hooks;
  hooks.SignalLevel = [] { return device::SignalDisplay(device::Tuner().Status()).level; };
  hooks.ProgramLoad = [this](int percent) {
    if (window_)
      window_->ShowProcessorLoad(percent);
  };
  monitor_ = new diagnostics::TFormResMonitor(std::move(hooks), &window);
}

} // namespace qev::app
