#include "video/video_outputs.h"

#include "frame/fast_ini_file.h"
#include "frame/log.h"

#include <algorithm>

namespace qev::video {

namespace {

constexpr int kOptionKeepAspect = 0;
constexpr int kOptionCrop = 1;

} // namespace

TVideoMessage WaitMessage() { return {kWaitText, 1, 18, 0xA00000, 0xFF0000, 0}; }

TVideoMessage ErrorMessage(std::string text) {
  if (text.empty())
    text = kNoErrorText;
  return {std::move(text), 0, 8, 0x000080, 0xFFFFFF, 0x0000FF};
}

int EffectiveVolume(int volume, bool muted, bool adjust, int factor) {
  if (muted)
    return 0;
  long long value = volume;
  if (adjust)
    value = value * factor / 100;
  return static_cast<int>(std::clamp<long long>(value, 0, 100));
}

TVideoOutputs::TVideoOutputs(IVideoPlayback &playback, IVideoWindows &windows,
                             TVideoContext context)
    : playback_(playback), windows_(windows), context_(std::move(context)) {
  for (int i = 0; i < kVideoCount; ++i) {
    videos_[i].index = i;
    videos_[i].lastOpen = i == 0 ? kEmbedded : kFloating;
  }
}

TVideoOutputs::~TVideoOutputs() = default;

int TVideoOutputs::Checked(int index) { return std::clamp(index, 0, kVideoCount - 1); }

int TVideoOutputs::State(int index) const {
  if (index < 0 || index >= kVideoCount)
    return kClosed;
  return videos_[index].state.load();
}

bool TVideoOutputs::AnyFullScreen() const {
  return std::any_of(videos_.begin(), videos_.end(),
                     [](const TOneVideo &v) { return v.state.load() == kFullScreen; });
}

int TVideoOutputs::ReopenState(int index) const { return videos_[Checked(index)].lastOpen; }

bool TVideoOutputs::Ignored(int index, int request) const {
  if (index < 0 || index >= kVideoCount)
    return true;
  if (index == 0 && request != kClosed && context_.Video0Disabled())
    return true;
  return closingAll_ && request != kClosed;
}

void TVideoOutputs::SetVideoState(int index, int request, bool force) {
  if (Ignored(index, request))
    return;
  TOneVideo &video = videos_[index];
  const int state = video.state;
  switch (request) {
  case kToggleFullScreen:
    if (state == kFullScreen)
      SetVideoState(index, video.returnFromFull, force);
    else if (state != kClosed)
      SetVideoState(index, kFullScreen, force);
    return;
  case kLeaveFloating:
    if (state != kClosed)
      SetVideoState(index, video.returnFromFloat, force);
    return;
  case kLeaveFullScreen:
    if (state == kFullScreen)
      SetVideoState(index, video.returnFromFull, force);
    return;
  case kReopen:
    if (state != kClosed) {
      SetVideoState(index, kClosed, force);
      SetVideoState(index, state, force);
    }
    return;
  default:
    if (request >= kClosed && request <= kFullScreen)
      ChangeState(video, request, force);
  }
}

void TVideoOutputs::ChangeState(TOneVideo &video, int state, bool force) {
  if (video.busy)
    return;
  std::lock_guard lock(video.lock);
  video.busy = true;
  const int from = video.state;
  if (from != state) {
    // Only an embedding displaces the video in the main window; it always counts as forced.
    if (state == kEmbedded) {
      force = true;
      if (embedded_ != kNoVideo && embedded_ != video.index) {
        const int leaving = embedded_;
        hadToLeave_ = leaving;
        SetVideoState(leaving, kClosed, true);
        embedded_ = kNoVideo;
      }
    }
    if (from == kEmbedded && embedded_ == video.index)
      embedded_ = kNoVideo;
    switch (state) {
    case kEmbedded:
      Embed(video);
      break;
    case kFloating:
      Float(video, from);
      break;
    case kFullScreen:
      FullScreen(video, from);
      break;
    default:
      Close(video);
    }
    if (state != kClosed)
      video.lastOpen = state;
    Notify(video.index + kVideoStateChanged, from * 256 + state + (force ? 65536 : 0));
  }
  video.busy = false;
}

void TVideoOutputs::Embed(TOneVideo &video) {
  if (video.state == kFloating || video.state == kFullScreen)
    windows_.HideFloating(video.index);
  video.state = kEmbedded;
  Attach(video, windows_.MainPanel());
  embedded_ = video.index;
}

void TVideoOutputs::SaveReturnStates(TOneVideo &video, int from) {
  // A closed AV0 returns to the main window.
  const int back = from == kClosed && video.index == 0 ? kEmbedded : from;
  video.returnFromFloat = back;
  video.returnFromFull = back;
}

void TVideoOutputs::Float(TOneVideo &video, int from) {
  activeFloating_ = video.index;
  video.state = kFloating;
  if (from == kFullScreen) {
    windows_.SetFullScreen(video.index, false);
    LayoutVideo(video.index, video.panel);
    return;
  }
  SaveReturnStates(video, from);
  windows_.ShowFloating(video.index, false);
  Attach(video, windows_.FloatingPanel(video.index));
}

void TVideoOutputs::FullScreen(TOneVideo &video, int from) {
  video.state = kFullScreen;
  if (from == kFloating) {
    windows_.SetFullScreen(video.index, true);
    video.returnFromFull = kFloating;
    LayoutVideo(video.index, video.panel);
  } else {
    SaveReturnStates(video, from);
    windows_.ShowFloating(video.index, true);
    Attach(video, windows_.FloatingPanel(video.index));
  }
  for (const TOneVideo &other : videos_)
    if (other.state == kFloating)
      windows_.RaiseFloating(other.index);
}

void TVideoOutputs::Close(TOneVideo &video) {
  const int former = video.state;
  if (former == kFloating || former == kFullScreen)
    windows_.HideFloating(video.index);
  ClosePlayback(video);
  if (video.panel) {
    windows_.SetPictureRect(video.panel, {});
    windows_.HideMessage(video.panel);
  }
  video.panel = 0;
  video.renderer = 0;
  video.state = kClosed;
  if (embedded_ == video.index)
    embedded_ = kNoVideo;
  if (hadToLeave_ == 0 && video.index != 0) {
    // AV0 had to make room for this video: it comes back where this one was.
    hadToLeave_ = kNoVideo;
    SetVideoState(0, former, true);
  }
  if (activeFloating_ == video.index)
    PickNextActiveFloating(video.index);
}

void TVideoOutputs::Activate(int index) {
  const int state = State(index);
  if (state == kFloating || state == kFullScreen)
    activeFloating_ = index;
}

void TVideoOutputs::PickNextActiveFloating(int after) {
  activeFloating_ = kNoVideo;
  for (int step = 1; step < kVideoCount; ++step) {
    const int i = (after + step) % kVideoCount;
    if (videos_[i].state == kFloating || videos_[i].state == kFullScreen) {
      activeFloating_ = i;
      windows_.MarkActive(i);
      return;
    }
  }
}

void TVideoOutputs::Attach(TOneVideo &video, std::uintptr_t panel) {
  if (video.panel && video.panel != panel) {
    windows_.SetPictureRect(video.panel, {});
    windows_.HideMessage(video.panel);
  }
  video.panel = panel;
  if (!video.renderer && !OpenPlayback(video, panel))
    return;
  if (const std::uintptr_t renderer = playback_.Move(video.index, panel))
    video.renderer = renderer;
  LayoutVideo(video.index, panel);
}

bool TVideoOutputs::OpenPlayback(TOneVideo &video, std::uintptr_t panel) {
  const int index = video.index;
  windows_.ShowMessage(panel, WaitMessage());
  windows_.ProcessMessages();
  if (index < 4 && context_.SlotPlaying)
    context_.SlotPlaying(index, true);
  video.renderer = index == 5 ? playback_.Move(index, panel) : playback_.Start(index, panel);
  if (!video.renderer) {
    ShowError(video, panel);
    return false;
  }
  playback_.SetOption(index, kOptionKeepAspect, video.shape == kShapeFree ? 1 : 0);
  if (index < 4)
    playback_.SetOption(index, kOptionCrop, context_.CropPercent());
  LoadSettings(video);
  ApplyVolume(index);
  ApplyPicture(index);
  Notify(index + kVideoStarted, 0);
  windows_.HideMessage(panel);
  return true;
}

void TVideoOutputs::ShowError(TOneVideo &video, std::uintptr_t panel) {
  windows_.ShowMessage(panel, ErrorMessage(playback_.Error(video.index)));
}

void TVideoOutputs::ClosePlayback(TOneVideo &video) {
  const int index = video.index;
  if (video.renderer)
    SavePictureAndSound(index);
  Notify(index + kVideoClosing, 0);
  if (index < 4 && context_.SlotPlaying)
    context_.SlotPlaying(index, false);
  playback_.Stop(index);
}

void TVideoOutputs::LayoutVideo(int index, std::uintptr_t panel) {
  if (index < 0 || index >= kVideoCount)
    return;
  const TOneVideo &video = videos_[index];
  if (!video.renderer || !panel || video.panel != panel)
    return;
  const TVideoSize size = windows_.PanelSize(panel);
  const int overscan = video.state == kFullScreen ? std::max(0, context_.OverscanPixels()) : 0;
  const TVideoRect rect = LayoutRect(size.Width, size.Height, video.shape, overscan);
  windows_.SetPictureRect(panel, rect);
  playback_.SetRect(index, rect);
}

void TVideoOutputs::PanelResized(std::uintptr_t panel) {
  for (const TOneVideo &video : videos_)
    if (video.panel == panel)
      LayoutVideo(video.index, panel);
}

void TVideoOutputs::SetPictureShape(int index, int shape) {
  TOneVideo &video = videos_[Checked(index)];
  video.shape = std::clamp(shape, 0, 2);
  playback_.SetOption(video.index, kOptionKeepAspect, video.shape == kShapeFree ? 1 : 0);
  LayoutVideo(video.index, video.panel);
}

void TVideoOutputs::SetCropPercent(int percent) {
  for (const TOneVideo &video : videos_)
    playback_.SetOption(video.index, kOptionCrop, percent);
}

void TVideoOutputs::CloseAll() {
  closingAll_ = true;
  for (int i = 0; i < kVideoCount; ++i)
    SetVideoState(i, kClosed, true);
  closingAll_ = false;
}

void TVideoOutputs::ApplyVolume(int index) {
  TVideoSettings &settings = Settings(index);
  const bool adjust = index < 4 && context_.ChanVolAdjust();
  const int volume = EffectiveVolume(settings.Sound.Volume, settings.Sound.Muted, adjust,
                                     adjust ? context_.VolumeFactor(index) : 100);
  SoundRecord record{};
  record.Flags = QEV_SOUND_VOLUME;
  record.Volume = static_cast<std::uint8_t>(volume);
  playback_.Sound(index, true, record);
  settings.LastVolume = volume;
  if (index == 0 && context_.RefreshVolumeDisplay)
    context_.RefreshVolumeDisplay();
}

void TVideoOutputs::StepVolume(int index, int delta) {
  TVideoVolume &sound = Settings(index).Sound;
  sound.Volume = std::clamp(sound.Volume + delta, 0, 100);
  ApplyVolume(index);
}

void TVideoOutputs::ToggleMute(int index) {
  Settings(index).Sound.Muted = !Settings(index).Sound.Muted;
  ApplyVolume(index);
}

void TVideoOutputs::ApplyPicture(int index) {
  PictureRecord &picture = Settings(index).Picture;
  if (!PictureTag(picture).empty())
    playback_.Picture(index, true, picture);
}

void TVideoOutputs::LoadSettings(TOneVideo &video) {
  PictureRecord picture{};
  const bool havePicture = playback_.Picture(video.index, false, picture);
  WithConfig([&](TVideoWinConfig &config) {
    video.settings.Sound = config.ReadSound(video.index);
    if (havePicture)
      config.ReadColors(video.index, picture);
  });
  video.settings.Picture = havePicture ? picture : PictureRecord{};
}

void TVideoOutputs::SavePictureAndSound(int index) {
  const TVideoSettings &settings = Settings(index);
  WithConfig([&](TVideoWinConfig &config) {
    config.WriteSound(index, settings.Sound);
    config.WriteColors(index, settings.Picture);
  });
}

void TVideoOutputs::WithConfig(const std::function<void(TVideoWinConfig &)> &use) {
  UpdateVideoWinConfig(context_.ConfigFile ? context_.ConfigFile() : std::string(), use);
}

void TVideoOutputs::Notify(std::intptr_t first, std::intptr_t value) {
  if (context_.Notify)
    context_.Notify(static_cast<int>(first), value);
}

} // namespace qev::video
