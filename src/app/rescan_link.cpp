#include "app/rescan_link.h"

#include "data/data_store.h"
#include "data/date_time.h"
#include "device/device_module.h"
#include "device/engine_steps.h"
#include "frame/message_pump.h"
#include "frame/options.h"
#include "si/device_filter_source.h"
#include "si/qt/wait_dialog.h"
#include "si/rescan_by_handle.h"

namespace qev::app {

namespace {

// Runs a rescan with the program's device and options, the wait shown over parent.
template <typename Run> bool WithRescanLinks(QWidget *parent, Run run) {
  si::TDeviceFilterSource filters(device::Device());
  si::TWaitDialog wait(parent);
  device::TTuningEngine &engine = device::TuningEngine();
  const si::TRescanLinks links{.Filters = filters,
                               .Options = frame::Options(),
                               .Active = [&engine] { return si::ActiveTransponderOf(engine); },
                               .Wait = wait.Callback(),
                               .KeepAlive = frame::PumpMessages,
                               .Now = data::NowLocal,
                               .WaitOver = [&wait] { wait.hide(); }};
  return run(links, engine);
}

} // namespace

void RescanStoredChannel(QWidget *parent, std::int32_t handle) {
  WithRescanLinks(parent, [handle](const si::TRescanLinks &links, device::TTuningEngine &engine) {
    return si::RescanByHandle(links, data::ChannelLists(), engine, handle);
  });
}

bool RescanWorkingCopy(QWidget *parent, data::TChannelRec &rec) {
  return WithRescanLinks(parent, [&rec](const si::TRescanLinks &links, device::TTuningEngine &) {
    return si::RescanChannel(links, rec, true);
  });
}

} // namespace qev::app
