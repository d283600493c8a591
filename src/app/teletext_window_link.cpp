#include "app/teletext_window_link.h"

#include "teletext/qt/form_teletext.h"
#include "teletext/teletext.h"

namespace qev::app {

void OpenTeletextWindow(QWidget *owner, teletext::TTeletext &teletext, frame::TNotificationHub &hub,
                        frame::TTeletextOptions &options) {
  teletext::TFormTeletext::Open({teletext.Cache(), hub, [&teletext] { teletext.TtxAcquire(); },
                                 [&teletext] { teletext.TtxRelease(); }, options},
                                owner);
}

} // namespace qev::app
