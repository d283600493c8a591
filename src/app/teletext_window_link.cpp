#include "app/teletext_window_link.h"

#include "teletext/qt/form_teletext.h"
#include "teletext/teletext.h"
#include "ui/gesture_table.h"
#include "ui/qt/window_gestures.h"

#include <QPointer>

namespace qev::app {

namespace {

teletext::TTtxGesture TeletextGestureOf(std::uint16_t code) {
  switch (code) {
  case ui::kTtxGestureHome:
    return teletext::TTtxGesture::Page100;
  case ui::kTtxGestureClose:
    return teletext::TTtxGesture::Close;
  case ui::kTtxGesturePageNext:
    return teletext::TTtxGesture::NextPage;
  case ui::kTtxGesturePagePrev:
    return teletext::TTtxGesture::PreviousPage;
  case ui::kTtxGestureSubpageNext:
    return teletext::TTtxGesture::NextSubPage;
  default:
    return teletext::TTtxGesture::PreviousSubPage;
  }
}

// The page image gets its recogniser once, when the window is made.
void AttachGestures(teletext::TFormTeletext &form) {
  auto *page = form.findChild<QWidget *>("ttxImage");
  if (!page || page->findChild<ui::TGestureHook *>())
    return;
  const QPointer<teletext::TFormTeletext> window(&form);
  ui::AttachTeletextGestures(page, ui::Gestures(), [window](std::uint16_t code) {
    if (window)
      window->RunGesture(TeletextGestureOf(code));
  });
}

} // namespace

void OpenTeletextWindow(QWidget *owner, teletext::TTeletext &teletext, frame::TNotificationHub &hub,
                        frame::TTeletextOptions &options) {
  teletext::TFormTeletext *form =
      teletext::TFormTeletext::Open({teletext.Cache(), hub, [&teletext] { teletext.TtxAcquire(); },
                                     [&teletext] { teletext.TtxRelease(); }, options},
                                    owner);
  if (form)
    AttachGestures(*form);
}

} // namespace qev::app
