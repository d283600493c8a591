#pragma once

#include "ui/hotkeys.h"

namespace qev::frame {
class TStartupSequence;
class TShutdownSequence;
} // namespace qev::frame

namespace qev::ui {
struct TUiContext;
}

namespace qev::app {

// The program's keys and remote control: "HotKeys.cfg" is loaded in its start-up place, the
// remote-control client starts at the end of the start-up when the options enable it and stops
// in its shutdown step; the main window and the settings reach them through the context.
class THotKeysLink {
public:
  THotKeysLink(frame::TStartupSequence &startup, frame::TShutdownSequence &shutdown);

  ui::THotKeys &HotKeys() { return hotKeys_; }
  // The context's keys, and the power commands that keys or buttons assigned to them run.
  void FillContext(ui::TUiContext &context, std::function<void(int command)> powerAction);
  // After the settings were confirmed: the client reconnects with the remote-control options.
  void ApplyRemoteOptions();

private:
  int LoadStep();
  int RemoteStep();

  ui::THotKeys hotKeys_;
};

} // namespace qev::app
