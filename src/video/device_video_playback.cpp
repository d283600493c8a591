#include "video/device_video_playback.h"

#include "device/device_module.h"
#include "video/graph_slots.h"

namespace qev::video {

namespace {
constexpr const char *kMediaGraphFile = "#";
}

std::uintptr_t TDeviceVideoPlayback::Start(int index, std::uintptr_t owner) {
  if (AvSlot(index))
    return device::Device().StartVideo(index, owner, owner, 0);
  if (!slots_ || index != 4)
    return 0;
  if (slots_->CreateGraph(index, kGraphMedia, kMediaGraphFile, mediaFile_, false) != 0)
    return 0;
  const std::uintptr_t renderer = slots_->AttachWindow(index, owner, owner);
  if (renderer)
    slots_->Run(index);
  return renderer;
}

std::uintptr_t TDeviceVideoPlayback::Move(int index, std::uintptr_t owner) {
  if (AvSlot(index))
    return device::Device().MoveVideo(index, owner, owner);
  return slots_ ? slots_->AttachWindow(index, owner, owner) : 0;
}

void TDeviceVideoPlayback::SetRect(int index, const TVideoRect &r) {
  if (AvSlot(index))
    device::Device().SetVideoRect(index, r.Left, r.Top, r.Width, r.Height);
  else if (slots_)
    slots_->SetWindowRect(index, r.Left, r.Top, r.Width, r.Height);
}

void TDeviceVideoPlayback::SetOption(int index, int option, int value) {
  if (AvSlot(index))
    device::Device().SetVideoOption(index, option, value);
  else if (slots_)
    slots_->SetVideoProperty(index, option, value);
}

void TDeviceVideoPlayback::Stop(int index) {
  if (AvSlot(index))
    device::Device().StopVideo(index);
  else if (slots_)
    slots_->CloseGraph(index);
}

bool TDeviceVideoPlayback::Sound(int index, bool set, SoundRecord &sound) {
  if (AvSlot(index))
    return device::Device().AudioControl(index, set, sound) == 0;
  return slots_ && slots_->Sound(index, set, sound) == 0;
}

bool TDeviceVideoPlayback::Picture(int index, bool set, PictureRecord &picture) {
  if (AvSlot(index))
    return device::Device().PictureControl(index, set, picture) == 0;
  return slots_ && slots_->Picture(index, set, picture) == 0;
}

std::string TDeviceVideoPlayback::Error(int index) {
  if (AvSlot(index))
    return device::Device().VideoError(index);
  return slots_ ? slots_->LastError(index) : std::string();
}

} // namespace qev::video
