#include "ui/ui_context.h"

#include "data/data_store.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/engine_steps.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"

namespace qev::ui {

namespace {

// The console's messages take the tuner's way to the device: bus timing, the DiSEqC log.
device::TDiseqcSender &ProgramDiseqc() {
  static device::TModuleTunerDevice tunerDevice(device::Device());
  static device::TDiseqcSender sender(tunerDevice, device::SystemTunerClock(),
                                      frame::Options().DiseqC, device::DiseqcLog());
  return sender;
}

} // namespace

TUiContext ProgramUiContext() {
  TUiContext context{data::Satellites(), data::ChannelLists(),        data::Favorites(),
                     data::Categories(), device::TuningEngine(),      device::LoadedSat(),
                     frame::Options(),   frame::GlobalNotifications()};
  context.Diseqc = &ProgramDiseqc();
  return context;
}

TTreeData TreeDataOf(const TUiContext &context) {
  std::function<std::string(int)> profileName = context.Subsystems.PluginProfileName;
  if (!profileName)
    profileName = [](int) { return std::string(); };
  return TTreeData{context.Sats,       context.Lists,           context.Favorites,
                   context.Categories, context.ChildLockActive, std::move(profileName)};
}

} // namespace qev::ui
