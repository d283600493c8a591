#pragma once

#include "ui/ui_context.h"

#include <QToolBar>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QToolButton;

namespace qev::ui {

// What the main window's buttons and menus ask of it.
struct TMainMenuHandlers {
  std::function<void(bool open)> Pip;
  std::function<void()> SwapPip;
  std::function<void(bool off)> VideoOff;
  std::function<void()> FloatVideo;
  std::function<void()> FullScreen;
  std::function<void()> RecordToggle;
  std::function<void()> DiseqcLog;
  std::function<void()> DiseqcConsole;
  std::function<void()> Teletext; // empty: no teletext menu entry
  std::function<void()> Settings; // empty: no settings menu entry
  std::function<void()> Quit;
};

// The row of action buttons: picture-in-picture (its menu closes and swaps, enabled while the
// picture-in-picture is open), floating video, video off, and the buttons of subsystems that
// exist (record, device settings, guide, teletext, scan). The scan menu scans the loaded satellite,
// the main channel's transponder or any satellite of the list.
class TMainActionBar final : public QToolBar {
  Q_OBJECT
public:
  TMainActionBar(TUiContext &context, bool pipPossible, TMainMenuHandlers handlers,
                 QWidget *parent = nullptr);

  // Output 1 opened or closed.
  void ShowPipOpen(bool open);
  // Slot 0 is recorded or not.
  void ShowRecording(bool recording);
  void ShowVideoOff(bool off);
  // The audio channel mode of slot 0, read back from the module.
  void ShowAudioChannel();
  // The subtitle button offers its menu once a page is known.
  void ShowSubtitlePages();
  // The teletext button is enabled while slot 0's channel has a teletext PID.
  void ShowTeletextAvailable(bool available);
  // The subtitle page shown, 0 for none.
  int SubtitlePage() const { return subtitlePage_; }

private:
  void AddPipButton(bool pipPossible);
  void AddRecordButton();
  void AddSubsystemButtons();
  void AddScanButton();
  void FillScanMenu(QMenu &menu);
  void FillRecordMenu(QMenu &menu);
  void AddAudioChannelButton();
  void AddSubtitleButton();
  void FillSubtitleMenu(QMenu &menu);
  void SubtitleClicked(bool pressed);
  void ShowSubtitlePage(int page);

  TUiContext &context_;
  TMainMenuHandlers handlers_;
  QToolButton *pip_ = nullptr;
  QAction *pipClose_ = nullptr;
  QAction *pipSwap_ = nullptr;
  QToolButton *videoOff_ = nullptr;
  QToolButton *record_ = nullptr;
  QToolButton *audioChannel_ = nullptr;
  QToolButton *subtitles_ = nullptr;
  QToolButton *teletext_ = nullptr;
  QMenu *subtitleMenu_ = nullptr;
  int subtitlePage_ = 0;
};

// The menu bar: "File" with Quit, "View" with full screen, floating video and teletext, "Tools"
// with the DiSEqC windows.
void BuildMainMenus(QMenuBar &bar, const TMainMenuHandlers &handlers);
// "Plugins": the plugin viewer, the profile submenu (the current profile checked) and the
// plugins' own menus; only when the plugin host is there.
void AddPluginMenu(QMenuBar &bar, const TUiSubsystems &subsystems);

// What the "Info" menu offers; an empty entry is left out.
struct TInfoMenuHandlers {
  std::function<void()> TsStatistics;
  std::function<void()> BitrateViewer;
  std::function<void()> ResourceMonitor;
};
// Adds the "Info" menu with the diagnostic windows to the menu bar.
void AddInfoMenu(QMenuBar &bar, const TInfoMenuHandlers &handlers);

} // namespace qev::ui
