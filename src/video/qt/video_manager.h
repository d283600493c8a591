#pragma once

#include "video/graph_backend.h"
#include "video/mouse_hide_thread.h"
#include "video/qt/floating_video.h"
#include "video/qt/frame_color_control.h"
#include "video/qt/video_panel.h"
#include "video/video_outputs.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace qev::video {

// What the video windows need from the rest of the program besides the outputs' context.
struct TVideoManagerLinks {
  // The filters of a video's graph, for the context menu.
  std::function<std::vector<TFilterInfo>(int index)> Filters;
  std::function<bool()> DoubleClickZone = [] { return true; };
  // The decoder in use on a device offering both (0 hardware), nothing otherwise; and its choice.
  std::function<std::optional<int>()> Decoder;
  std::function<void(int decoder)> SelectDecoder;
  // The graph configuration of a video; empty: the menu item stays disabled.
  std::function<void(int index)> GraphConfig;
};

// The video windows: the main window's panel, the six floating windows, the context menu and
// the cursor hiding, with the outputs' state machine behind them.
class TVideoManager final : public QObject, private IVideoWindows {
  Q_OBJECT
public:
  TVideoManager(IVideoPlayback &playback, TVideoContext context, TVideoManagerLinks links = {});
  ~TVideoManager() override;

  // The main window's panel; set before any video is embedded.
  void AttachMainPanel(TVideoPanel *panel);
  TVideoOutputs &Outputs() { return *outputs_; }
  TFloatingVideo &Floating(int index) { return *floating_[index]; }
  TMouseHideThread &MouseHide() { return *mouseHide_; }

  // The context menu of a video, as it stands in the video's state.
  std::unique_ptr<QMenu> BuildMenu(int index);
  // Moves a floating video's window to the next preset place of "VideoWin.cfg", or gives it
  // the next preset size (not in full screen).
  void NextPresetPosition(int index);
  void NextPresetSize(int index);
  // The picture settings frame of a video (one at a time).
  void ShowPictureSettings(int index);
  TFrameColorControl *PictureSettings() const { return colorControl_; }
  // The video shown in the main window's panel (AV0 when none).
  int MainPanelVideo() const;

private:
  std::uintptr_t MainPanel() override;
  std::uintptr_t FloatingPanel(int index) override;
  TVideoSize PanelSize(std::uintptr_t panel) override;
  void SetPictureRect(std::uintptr_t panel, const TVideoRect &rect) override;
  void ShowFloating(int index, bool fullScreen) override;
  void HideFloating(int index) override;
  void SetFullScreen(int index, bool fullScreen) override;
  void RaiseFloating(int index) override;
  void MarkActive(int index) override;
  void ShowMessage(std::uintptr_t panel, const TVideoMessage &message) override;
  void HideMessage(std::uintptr_t panel) override;
  void ProcessMessages() override;

  TVideoPanel *PanelByHandle(std::uintptr_t handle);
  void WirePanel(TVideoPanel &panel);
  void ShowMenu(int index, QPoint global);
  void AddWindowItems(QMenu &menu, int index, int state);
  void WithConfig(const std::function<void(TVideoWinConfig &)> &use);

  TVideoContext context_;
  TVideoManagerLinks links_;
  std::unique_ptr<TVideoOutputs> outputs_;
  std::array<std::unique_ptr<TFloatingVideo>, kVideoCount> floating_;
  QPointer<TVideoPanel> mainPanel_;
  std::unique_ptr<TMouseHideThread> mouseHide_;
  bool cursorHidden_ = false;
  QPointer<TFrameColorControl> colorControl_;
};

} // namespace qev::video
