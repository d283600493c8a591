#include "app/screen_saver_link.h"

#include "device/engine_steps.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/qt/screen_saver_inhibitor.h"
#include "frame/startup_sequence.h"
#include "video/video_outputs.h"

namespace qev::app {

namespace {
constexpr int kMainOutput = 0;

constexpr auto VideoHandler =
    frame::MethodHandler<TScreenSaverLink, &TScreenSaverLink::VideoOutput>;
constexpr auto SwitchHandler =
    frame::MethodHandler<TScreenSaverLink, &TScreenSaverLink::SwitchProgress>;
} // namespace

TScreenSaverLink::TScreenSaverLink(QObject *parent, Sources sources, QDBusConnection bus)
    : QObject(parent), sources_(std::move(sources)),
      inhibitor_(new frame::TScreenSaverInhibitor(frame::kApplicationTitle, std::move(bus))) {
  inhibitor_->setParent(this);
  connect(&refresh_, &QTimer::timeout, this, &TScreenSaverLink::Update);
  refresh_.start(kOptionRefresh);
  frame::AddGlobalNotification(frame::kNotifyVideoOutput, VideoHandler, this);
  frame::AddGlobalNotification(frame::kNotifySwitchProgress, SwitchHandler, this);
}

TScreenSaverLink::~TScreenSaverLink() {
  frame::RemoveGlobalNotification(frame::kNotifyVideoOutput, VideoHandler, this);
  frame::RemoveGlobalNotification(frame::kNotifySwitchProgress, SwitchHandler, this);
}

// Notifications may come from any thread; the state lives on this object's thread.
void TScreenSaverLink::VideoOutput(std::intptr_t event, std::intptr_t) {
  if (event != video::kVideoStarted + kMainOutput && event != video::kVideoClosing + kMainOutput)
    return;
  QMetaObject::invokeMethod(this, [this, open = event == video::kVideoStarted + kMainOutput] {
    outputOpen_ = open;
    Update();
  });
}

void TScreenSaverLink::SwitchProgress(std::intptr_t stage, std::intptr_t slot) {
  if (stage != device::kSwitchEnded || slot != 0)
    return;
  QMetaObject::invokeMethod(this, [this] {
    pictures_ = sources_.slot0HasPictures();
    Update();
  });
}

void TScreenSaverLink::Update() {
  inhibitor_->SetInhibited(outputOpen_ && pictures_ && sources_.wanted());
}

void LinkScreenSaver(QObject &mainWindow) {
  new TScreenSaverLink(&mainWindow, {[] { return frame::Options().General.NoScreenSaver; },
                                     [] {
                                       const auto &slot = device::TuningEngine().Slot(0);
                                       const std::uint16_t pid = slot.CurrentChannel.VidPid;
                                       return slot.Playing() && pid != 0 && pid < 0x1FFF;
                                     }});
}

} // namespace qev::app
