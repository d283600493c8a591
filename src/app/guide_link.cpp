#include "app/guide_link.h"

#include "device/switch_hooks.h"
#include "frame/log.h"
#include "frame/options.h"
#include "guide/epg_keep.h"
#include "guide/guide.h"

#include <fmt/format.h>

namespace qev::app {

TGuideLink::TGuideLink(device::TDeviceModule &device, device::TSwitchHooks &hooks)
    : hooks_(hooks), guide_(std::make_unique<guide::TGuide>(device)) {
  guide::PlugSwitchHooks(*guide_, hooks_);
}

TGuideLink::~TGuideLink() { guide::UnplugSwitchHooks(hooks_); }

ui::TNowLookup TGuideLink::NowLookup() const {
  const guide::TGuide *guide = guide_.get();
  return [guide](std::uint16_t tid, std::uint16_t sid) -> std::optional<ui::TNowEvent> {
    const auto event = guide->FindNow(tid, sid);
    if (!event)
      return std::nullopt;
    return ui::TNowEvent{event->Name, event->StartTime, event->Duration};
  };
}

void TGuideLink::LoadKept(const std::filesystem::path &root) {
  if (!frame::Options().General.EpgKeep)
    return;
  std::string error;
  if (guide_->LoadKept(root / guide::kKeptGuideFile, error))
    return;
  keptUnreadable_ = true;
  frame::Log(fmt::format("The kept guide was not loaded: {}", error), frame::kLogError);
}

std::optional<std::string> TGuideLink::SaveKept(const std::filesystem::path &root) const {
  if (!frame::Options().General.EpgKeep || keptUnreadable_)
    return std::nullopt;
  std::string error = guide_->SaveKept(root / guide::kKeptGuideFile);
  if (error.empty())
    return std::nullopt;
  error = fmt::format("The guide could not be kept: {}", error);
  frame::Log(error, frame::kLogError);
  return error;
}

} // namespace qev::app
