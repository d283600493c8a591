#include "ui/qt/window_gestures.h"

#include "ui/gesture_actions.h"

#include <QWidget>

namespace qev::ui {

namespace {

constexpr std::uint32_t kTeletextTag = 9;

TGestureHook *NewHook(QWidget *control, std::uint32_t tag, TMouseGesture::THandler handler) {
  auto *hook = new TGestureHook(tag, Qt::RightButton, control);
  hook->Recogniser().SetHandler(std::move(handler));
  hook->Attach(control);
  return hook;
}

} // namespace

TGestureHook *AttachVideoGestures(QWidget *panel, std::uint32_t tag, TVideoGestureLinks links) {
  return NewHook(panel, tag,
                 [links = std::move(links)](TMouseGesture &, TMouseGesture::TEvent event,
                                            const std::string &gesture, std::uint32_t tag) {
                   if (event != TMouseGesture::kEnded)
                     return;
                   const auto command = VideoGestureCommand(
                       links.Table, gesture, tag, links.EmbeddedOutput(), links.Enabled());
                   if (command)
                     links.RunOutputCommand(command->Command, command->Output);
                 });
}

TGestureHook *AttachTeletextGestures(QWidget *page, const TGestureTable &table,
                                     std::function<void(std::uint16_t code)> run) {
  return NewHook(page, kTeletextTag,
                 [&table, run = std::move(run)](TMouseGesture &, TMouseGesture::TEvent event,
                                                const std::string &gesture, std::uint32_t) {
                   if (event != TMouseGesture::kEnded)
                     return;
                   if (const auto code = TeletextGestureCode(table, gesture))
                     run(*code);
                 });
}

} // namespace qev::ui
