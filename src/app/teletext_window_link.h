#pragma once

class QWidget;

namespace qev::frame {
class TNotificationHub;
struct TTeletextOptions;
} // namespace qev::frame

namespace qev::teletext {
class TTeletext;
}

namespace qev::app {

// Opens the teletext window over the program's teletext (or brings the open one to the front);
// the window holds the collection while it is open. `teletext`, `hub` and `options` outlive it.
void OpenTeletextWindow(QWidget *owner, teletext::TTeletext &teletext, frame::TNotificationHub &hub,
                        frame::TTeletextOptions &options);

} // namespace qev::app
