#include "app/scanner_link.h"

#include "app/editors_link.h"
#include "data/code_tables.h"
#include "device/device_module.h"
#include "device/slot_state.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/message_boxes.h"
#include "frame/message_pump.h"
#include "frame/ui_dispatcher.h"
#include "si/device_filter_source.h"
#include "si/qt/form_sat_scanner.h"
#include "si/scan_texts.h"
#include "ui/qt/image_list.h"
#include "web/qt/form_download.h"
#include "web/qt/form_transp_compare.h"

#include <QApplication>

#include <chrono>
#include <sstream>

namespace qev::app {

namespace {

bool AnySlotRecording(const ui::TUiSubsystems &subsystems) {
  if (!subsystems.RecSlotActive)
    return false;
  for (int slot = 0; slot < device::kAvSlotCount; ++slot) {
    if (subsystems.RecSlotActive(slot))
      return true;
  }
  return false;
}

const data::TSatRec *FindSatellite(const data::TSatList &sats, int satIndex) {
  for (const data::TSatRec &sat : sats.Items()) {
    if (sat.SatIdx == satIndex)
      return &sat;
  }
  return nullptr;
}

double SecondsNow() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

// The window in front: the scanner, which owns the download window and the dialog.
QWidget *FrontWindow() {
  QWidget *modal = QApplication::activeModalWidget();
  return modal ? modal : QApplication::activeWindow();
}

std::optional<std::string> DownloadText(const std::string &address, std::string &) {
  std::stringstream stream;
  // The download window has shown the failure already.
  if (!web::DownloadFile(FrontWindow(), si::kWebUpdateTitle, address, stream))
    return std::nullopt;
  return stream.str();
}

si::TScannerWindowLinks ProgramScannerLinks(ui::TUiContext &context,
                                            si::SectionFilterSource &filters) {
  si::TScanLinks scan{
      device::Tuner(), filters, context.Options, context.Lists, {}, {}, nullptr, nullptr, {}, {}};
  scan.LastRequest = [] { return device::Tuner().LastRequest(); };
  scan.SignalPercent = [] { return device::SignalDisplay(device::Tuner().Status()).level; };
  scan.Hub = &context.Hub;
  scan.Dispatcher = frame::CurrentDispatcher();
  scan.KeepAlive = frame::PumpMessages;
  scan.Now = SecondsNow;
  si::TScannerWindowLinks links{.Scan = std::move(scan)};
  links.Signal = context.Signal;
  links.ChannelIcon = [](const data::TChannelRec &rec) {
    return ui::ImageListIcon(data::ChannelIcon(rec));
  };
  links.EditChannel = [&context](data::TChannelRec &rec) {
    return ShowChannelReadOnly(context, rec);
  };
  links.WebSourcesFile = frame::Paths().WebUpdTPFile;
  links.Download = DownloadText;
  links.Synchronise = [](const data::TSatTransponders &newList, data::TSatTransponders &current) {
    return web::SyncTransponders(FrontWindow(), newList, current);
  };
  links.TransponderFolder = frame::Paths().Transponders;
  return links;
}

} // namespace

void ScanSatellite(QWidget *owner, ui::TUiContext &context, int satIndex,
                   std::optional<data::TTransponder> one) {
  if (AnySlotRecording(context.Subsystems)) {
    frame::ShowWarning(si::kErrScanWhileRecording);
    return;
  }
  const data::TSatRec *sat = FindSatellite(context.Sats, satIndex);
  if (!sat)
    return;
  const data::TSatRec scanned = *sat;
  context.Engine.DvbEngine_ReleaseResources();
  context.LoadedSat.Load(scanned);
  si::TDeviceFilterSource filters(device::Device());
  si::TScannerWindowLinks links = ProgramScannerLinks(context, filters);
  si::TScanSatellite satellite = si::LoadScanSatellite(scanned);
  const bool saved = one ? si::ScannerOpenOne(owner, std::move(links), std::move(satellite), *one)
                         : si::ScannerOpen(owner, std::move(links), std::move(satellite));
  if (saved)
    context.Hub.Notify(frame::kNotifyListsChanged, 0, 0);
}

} // namespace qev::app
