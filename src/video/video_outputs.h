#pragma once

#include "devapi/qev_devapi.h"
#include "video/video_geometry.h"
#include "video/video_win_config.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace qev::video {

inline constexpr int kVideoCount = 6;
inline constexpr int kNoVideo = 255;
inline constexpr const char *kVideoNames[kVideoCount] = {"AV0-Main", "AV1-PIP", "AV2-EXT",
                                                         "AV3",      "MEDIA",   "DVD"};
inline constexpr const char *kWaitText = "Wait...";
inline constexpr const char *kNoErrorText = "Error (no description)";
inline constexpr const char *kMsgShowException = "Exception in MsgShow()";
inline constexpr const char *kVideoManagerTitle = "VideoManager";

// Video states, and the requests beyond them.
enum TVideoState : int { kClosed = 0, kEmbedded = 1, kFloating = 2, kFullScreen = 3 };
enum TVideoRequest : int {
  kToggleFullScreen = 4,
  kLeaveFloating = 5,
  kLeaveFullScreen = 6,
  kReopen = 9
};
// The events of notification 9, added to the video index.
enum TVideoEvent : int { kVideoStarted = 0x100, kVideoClosing = 0x200, kVideoStateChanged = 0x300 };

// An on-screen message: layout 0 top-left, 1 filling and centred, 2 bottom-left; colours are
// 0x00BBGGRR values.
struct TVideoMessage {
  std::string Text;
  int Layout = 0;
  int FontSize = 8;
  std::uint32_t Shadow = 0, TextColor = 0xFFFFFF, Background = 0;
  int ShadowSize() const { return FontSize > 11 ? 2 : 1; }
};
TVideoMessage WaitMessage();
TVideoMessage ErrorMessage(std::string text);

// The playback operations of a video: the device module's for the AV slots, the graph slots'
// for the media places. Handles: the owner is a video surface (see video_surface.h), the
// result the renderer window, 0 when none.
class IVideoPlayback {
public:
  virtual ~IVideoPlayback() = default;
  // Index 4 plays the media file chosen for it; 5 has no playback of its own (answers 0).
  virtual std::uintptr_t Start(int index, std::uintptr_t owner) = 0;
  virtual std::uintptr_t Move(int index, std::uintptr_t owner) = 0;
  virtual void SetRect(int index, const TVideoRect &rect) = 0;
  virtual void SetOption(int index, int option, int value) = 0;
  virtual void Stop(int index) = 0;
  virtual bool Sound(int index, bool set, SoundRecord &sound) = 0;
  virtual bool Picture(int index, bool set, PictureRecord &picture) = 0;
  virtual std::string Error(int index) = 0;
};

// The windows that host the videos: the main window's panel and one floating window per
// video. Panels are named by their surface handle.
class IVideoWindows {
public:
  virtual ~IVideoWindows() = default;
  virtual std::uintptr_t MainPanel() = 0;
  virtual std::uintptr_t FloatingPanel(int index) = 0;
  virtual TVideoSize PanelSize(std::uintptr_t panel) = 0;
  // The panel paints black around the rectangle; an empty one clears it.
  virtual void SetPictureRect(std::uintptr_t panel, const TVideoRect &rect) = 0;
  // Shows the floating window at its saved geometry (or full screen).
  virtual void ShowFloating(int index, bool fullScreen) = 0;
  // Hides it, saving its geometry unless it is full screen.
  virtual void HideFloating(int index) = 0;
  // Into full screen (saving the geometry) or back to the saved geometry.
  virtual void SetFullScreen(int index, bool fullScreen) = 0;
  virtual void RaiseFloating(int index) = 0;
  virtual void MarkActive(int index) = 0;
  virtual void ShowMessage(std::uintptr_t panel, const TVideoMessage &message) = 0;
  virtual void HideMessage(std::uintptr_t panel) = 0;
  virtual void ProcessMessages() = 0;
};

// What the outputs read from the rest of the program.
struct TVideoContext {
  std::function<bool()> Video0Disabled = [] { return false; };
  std::function<int()> CropPercent = [] { return 3; };
  std::function<int()> OverscanPixels = [] { return 0; };
  std::function<bool()> ChanVolAdjust = [] { return false; };
  // The channel's volume adjustment of an AV slot (100 = none).
  std::function<int(int slot)> VolumeFactor = [](int) { return 100; };
  std::function<void(int slot, bool playing)> SlotPlaying;
  std::function<void()> RefreshVolumeDisplay;
  std::function<void(int index, std::intptr_t value)> Notify;
  // Where "VideoWin.cfg" lives; empty keeps the settings in memory only.
  std::function<std::string()> ConfigFile;
};

// Picture and sound settings of one video.
struct TVideoSettings {
  PictureRecord Picture{};
  TVideoVolume Sound;
  int LastVolume = -1; // the last effective volume sent
};

// The effective volume: 0 when muted, else volume x factor / 100 (with the adjustment on),
// clamped to 0..100.
int EffectiveVolume(int volume, bool muted, bool adjust, int factor);

// The six videos and the rules that move them between closed, embedded, floating and full
// screen. Runs on the user-interface thread.
class TVideoOutputs {
public:
  TVideoOutputs(IVideoPlayback &playback, IVideoWindows &windows, TVideoContext context);
  ~TVideoOutputs();

  void SetVideoState(int index, int request, bool force);
  int State(int index) const;
  int Embedded() const { return embedded_; }
  int HadToLeave() const { return hadToLeave_; }
  int ActiveFloating() const { return activeFloating_; }
  // A click on a floating or full-screen video makes it the active one.
  void Activate(int index);
  bool AnyFullScreen() const;
  // Sets closing-all, closes the six videos, clears it.
  void CloseAll();
  // The state a video reopens in (the state before it was closed or left, at least embedded
  // for AV0 and floating for the others).
  int ReopenState(int index) const;

  void LayoutVideo(int index, std::uintptr_t panel);
  // Relayout of every video whose panel is this one (after a resize).
  void PanelResized(std::uintptr_t panel);
  std::uintptr_t PanelOf(int index) const { return videos_[Checked(index)].panel; }

  int PictureShape(int index) const { return videos_[Checked(index)].shape; }
  void SetPictureShape(int index, int shape);
  void SetCropPercent(int percent);

  TVideoSettings &Settings(int index) { return videos_[Checked(index)].settings; }
  void ApplyVolume(int index);
  void StepVolume(int index, int delta);
  void ToggleMute(int index);
  void ApplyPicture(int index);
  void SavePictureAndSound(int index);

private:
  struct TOneVideo {
    int index = 0;
    // Read without the lock by the cursor-hiding thread.
    std::atomic<int> state{kClosed};
    int lastOpen = kFloating; // the state the engine reopens it in
    int returnFromFloat = kEmbedded;
    int returnFromFull = kEmbedded;
    int shape = kShapeFree;
    std::uintptr_t panel = 0;
    std::uintptr_t renderer = 0;
    bool busy = false;
    std::mutex lock;
    TVideoSettings settings;
  };

  static int Checked(int index);
  bool Ignored(int index, int request) const;
  void ChangeState(TOneVideo &video, int state, bool force);
  void Embed(TOneVideo &video);
  void Float(TOneVideo &video, int from);
  void FullScreen(TOneVideo &video, int from);
  void Close(TOneVideo &video);
  void SaveReturnStates(TOneVideo &video, int from);
  void Attach(TOneVideo &video, std::uintptr_t panel);
  bool OpenPlayback(TOneVideo &video, std::uintptr_t panel);
  void ClosePlayback(TOneVideo &video);
  void ShowError(TOneVideo &video, std::uintptr_t panel);
  void PickNextActiveFloating(int after);
  void LoadSettings(TOneVideo &video);
  void Notify(std::intptr_t first, std::intptr_t value);
  void WithConfig(const std::function<void(TVideoWinConfig &)> &use);

  IVideoPlayback &playback_;
  IVideoWindows &windows_;
  TVideoContext context_;
  std::array<TOneVideo, kVideoCount> videos_;
  int embedded_ = kNoVideo;
  int hadToLeave_ = kNoVideo;
  int activeFloating_ = kNoVideo;
  bool closingAll_ = false;
};

} // namespace qev::video
