#pragma once

namespace qev::ui {
class TFormDvbMain;
struct TUiContext;
} // namespace qev::ui

namespace qev::video {
class TVideoManager;
}

namespace qev::app {

// The start-up step that reads "Gestures.cfg" over the built-in table; never ends the start-up.
int LoadGesturesStep();
// Recognisers over the main window's video panel and each floating video's panel; a finished
// gesture reaches the main window as an output command.
void LinkVideoGestures(ui::TFormDvbMain &main, video::TVideoManager &videos);

// The child lock: its password digest from "Options.cfg", the channel trees and the switch
// guard asking it, and the settings dialog's password change and gesture editor. Before the
// main window exists.
void LinkChildLock(ui::TUiContext &context);
// The lock's button on the main window's tool bar.
void AddChildLockButton(ui::TFormDvbMain &main);

} // namespace qev::app
