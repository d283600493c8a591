#include "app/hotkeys_link.h"

#include "frame/app_paths.h"
#include "frame/log.h"
#include "frame/options.h"
#include "frame/shutdown_sequence.h"
#include "frame/startup_sequence.h"
#include "ui/ui_context.h"

#include <algorithm>

namespace qev::app {

namespace {
constexpr const char *kEnablingRemote = "Enabling Winlirc";

std::chrono::milliseconds AntiRepeatOption() {
  return std::chrono::milliseconds(std::max(0, frame::Options().WinLirc.AntiRepeat));
}
} // namespace

THotKeysLink::THotKeysLink(frame::TStartupSequence &startup, frame::TShutdownSequence &shutdown)
    : hotKeys_(frame::CurrentDispatcher(), &AntiRepeatOption) {
  startup.Plug(frame::StartupStep::HotKeys, [this] { return LoadStep(); });
  startup.Plug(frame::StartupStep::RemoteControl, [this] { return RemoteStep(); });
  shutdown.Plug(frame::ShutdownStep::StopRemoteControl, [this]() -> std::optional<std::string> {
    hotKeys_.StopRemote();
    return std::nullopt;
  });
}

// An unreadable file leaves the built-in keys; the start-up goes on.
int THotKeysLink::LoadStep() {
  hotKeys_.SetFile(frame::FindExisting(frame::Paths().HotKeysFile));
  if (const std::string error = hotKeys_.Load(); !error.empty())
    frame::Log(error);
  return 0;
}

void THotKeysLink::ApplyRemoteOptions() {
  const frame::TWinLircOptions &remote = frame::Options().WinLirc;
  hotKeys_.StopRemote();
  if (remote.Enabled)
    hotKeys_.StartRemote(remote.HostPort);
}

int THotKeysLink::RemoteStep() {
  if (frame::Options().WinLirc.Enabled) {
    frame::Log(kEnablingRemote);
    hotKeys_.StartRemote(frame::Options().WinLirc.HostPort);
  }
  return 0;
}

void THotKeysLink::FillContext(ui::TUiContext &context,
                               std::function<void(int command)> powerAction) {
  context.HotKeys = &hotKeys_;
  context.Subsystems.PowerAction = std::move(powerAction);
}

} // namespace qev::app
