#include "device/engine_steps.h"

#include "data/data_store.h"
#include "device/av_device.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/log.h"
#include "frame/options.h"

namespace qev::device {

namespace {

constexpr const char *kNotUsed = "; the last channels start empty and it is left as it is";

} // namespace

TLastChannels &LastChannels() {
  static TLastChannels memory;
  return memory;
}

TTuningEngine &TuningEngine() {
  static TModuleAvDevice device(Device());
  static TTuningEngine engine({data::ChannelLists(), data::Satellites(), device, Tuner(),
                               LoadedSat(), LastChannels(), frame::GlobalNotifications()});
  return engine;
}

int LoadLastChannelsStep() {
  const std::string error = LastChannels().Load(frame::FindExisting(frame::Paths().LastChFile));
  if (!error.empty())
    frame::Log(error + kNotUsed, frame::kLogError);
  return 0;
}

std::optional<std::string> SaveLastChannelsStep() {
  const std::string error = LastChannels().Save(frame::FindExisting(frame::Paths().LastChFile));
  if (error.empty())
    return std::nullopt;
  frame::Log(error, frame::kLogError);
  return error;
}

std::optional<std::string> ReleaseEngineStep() {
  TuningEngine().DvbEngine_ReleaseResources();
  return std::nullopt;
}

bool SwitchToStartChannel() {
  return TuningEngine().SwitchChannel(0, frame::Options().Session.StartChannel, true);
}

bool SwitchToLastChannel() {
  return TuningEngine().SwitchChannel(0, frame::Options().StartUp.LastChannel, true);
}

} // namespace qev::device
