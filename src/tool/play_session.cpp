#include "tool/play_session.h"

#include "device/tuner_clock.h"
#include "frame/log.h"
#include "frame/options.h"
#include "video/helper_table.h"

#include <fmt/format.h>

#include <mutex>

namespace qev::tool {

namespace {

// The module's error lines; the callback is a plain function the module calls on any thread.
std::mutex moduleErrorsMutex;
std::vector<std::string> moduleErrors;

void CollectModuleErrors(std::int32_t message, std::int32_t value, void *data) {
  if (message != QEV_MSG_LOG || value != frame::kLogError || data == nullptr)
    return;
  std::lock_guard lock(moduleErrorsMutex);
  moduleErrors.emplace_back(static_cast<const char *>(data));
}

std::vector<std::string> ModuleErrors() {
  std::lock_guard lock(moduleErrorsMutex);
  return moduleErrors;
}

void ClearModuleErrors() {
  std::lock_guard lock(moduleErrorsMutex);
  moduleErrors.clear();
}

} // namespace

TPlaySession::TPlaySession(const std::filesystem::path &module, data::TChannelLists &lists,
                           const data::TSatList &sats, int slot, video::TRenderMode mode)
    : slot_(slot), factory_(mode), slots_(factory_),
      diseqc_(tunerDevice_, device::SystemTunerClock(), frame::Options().DiseqC,
              device::DiseqcLog()),
      tuner_(tunerDevice_, device::LoadedSat(), diseqc_, device::SystemTunerClock(),
             frame::Options().DiseqC),
      engine_({lists, sats, av_, tuner_, device::LoadedSat(), lastChannels_, hub_}) {
  ClearModuleErrors();
  video::SetHelperSlots(&slots_);
  InstallHooks();
  const int result = device::LoadDeviceModule(device::Device(), module, &CollectModuleErrors,
                                              &video::HelperTable());
  loaded_ = result == device::kLoaded;
  if (!loaded_) {
    error_ = fmt::format("cannot load device module {} ({})", module.string(), result);
    for (const std::string &line : ModuleErrors())
      error_ += ": " + line;
  } else if (!factory_.Error().empty())
    error_ = factory_.Error();
}

TPlaySession::~TPlaySession() {
  if (loaded_) {
    CloseOutput(slot_);
    device::Device().Unload();
  }
  video::SetHelperSlots(nullptr);
}

void TPlaySession::InstallHooks() {
  device::TSwitchHooks &hooks = engine_.Hooks();
  hooks.OutputOpen = [this](int output) { return output != slot_ || outputOpen_; };
  hooks.OpenOutput = [this](int output) { OpenOutput(output); };
  hooks.CloseOutput = [this](int output) { CloseOutput(output); };
}

void TPlaySession::OpenOutput(int output) {
  if (output != slot_)
    return;
  outputOpen_ = device::Device().StartVideo(output, surface_.Handle(), 0, 0) != 0;
}

void TPlaySession::CloseOutput(int output) {
  if (output != slot_ || !outputOpen_)
    return;
  device::Device().StopVideo(output);
  outputOpen_ = false;
}

bool TPlaySession::Switch(std::int32_t handle) {
  requestedAt_ = std::chrono::steady_clock::now();
  if (slot_ != 0 && !engine_.SwitchChannel(0, handle, false))
    return false;
  return engine_.SwitchChannel(slot_, handle, false);
}

TPlayState TPlaySession::State() const {
  TPlayState state;
  state.Video = slots_.CurrentMediaType(slot_, video::TMajorType::Video);
  state.Audio = slots_.CurrentMediaType(slot_, video::TMajorType::Audio);
  if (const auto counts = slots_.Counts(slot_))
    state.Counts = *counts;
  state.Surface = surface_.Tally();
  state.ScrambledPackets = slots_.ScrambledPackets(slot_);
  state.Errors = state.Counts.Errors;
  if (const std::string error = slots_.LastError(slot_); !error.empty())
    state.Errors.push_back(error);
  for (std::string &line : ModuleErrors())
    state.Errors.push_back(std::move(line));
  return state;
}

} // namespace qev::tool
