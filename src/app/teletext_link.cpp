#include "app/teletext_link.h"

#include "device/engine_steps.h"
#include "device/switch_hooks.h"
#include "device/tuning_engine.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "teletext/national_charset.h"
#include "teletext/teletext.h"

namespace qev::app {

namespace {

teletext::TTeletextContext ProgramTeletextContext(std::function<void()> subtitlePagesChanged) {
  return {frame::GlobalNotifications(), [] { return frame::Options().Teletext.TTxBgParser; },
          [] { return device::TuningEngine().Slot(0).CurrentChannel.TtxPid; },
          std::move(subtitlePagesChanged)};
}

} // namespace

TTeletextLink::TTeletextLink(device::TDeviceModule &device, device::TSwitchHooks &hooks,
                             std::function<void()> subtitlePagesChanged)
    : hooks_(hooks), teletext_(std::make_unique<teletext::TTeletext>(
                         device, ProgramTeletextContext(std::move(subtitlePagesChanged)))) {
  teletext::PlugSwitchHooks(*teletext_, hooks_);
}

TTeletextLink::~TTeletextLink() { teletext::UnplugSwitchHooks(hooks_); }

std::vector<std::pair<int, std::string>> TTeletextLink::SubtitlePages() const {
  std::vector<std::pair<int, std::string>> pages;
  for (const teletext::TtxSubtitlePage &page : teletext_->Cache().SubtitlePages())
    pages.emplace_back(page.Page, teletext::NationalName(page.NationalOption));
  return pages;
}

} // namespace qev::app
