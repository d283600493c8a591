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

void RescanStoredChannel(QWidget *parent, std::int32_t handle) {
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
  si::RescanByHandle(links, data::ChannelLists(), engine, handle);
}

} // namespace qev::app
