#pragma once

#include <cstdint>

namespace qev::ui {

// The two messages the main window executes: the command message (command, argument) carries
// action codes from keys, the remote control, gestures and other parts of the program; the
// output command message (command, output) addresses one video output.
inline constexpr int kCommandMessage = 0x487B;
inline constexpr int kOutputCommandMessage = 0x487C;

enum TMainCommand : int {
  kCmdChannelNext = 0x1001,
  kCmdChannelPrev = 0x1002,
  kCmdVolumeUp = 0x1003,
  kCmdVolumeDown = 0x1004,
  kCmdMute = 0x1005,
  kCmdPipChannelNext = 0x2001,
  kCmdPipChannelPrev = 0x2002,
  kCmdPipVolumeUp = 0x2003,
  kCmdPipVolumeDown = 0x2004,
  kCmdPipMute = 0x2005,
  kCmdPipShowHide = 0x2006,
  kCmdToggleFullScreen = 0x3001,
  kCmdPipFullScreen = 0x3002,
  kCmdPipSelectNext = 0x3004,
  kCmdPipCyclePos = 0x3005,
  kCmdPipCycleSize = 0x3006,
  kCmdCloseApplication = 0x7001,
  kCmdClearSleepTimer = 0x8001,
  kCmdRecord = 0x8002,
  kCmdReception = 0xF001,
  kCmdWindowMode = 0xF003,
  kCmdSubtitlePages = 0xF005,
};

enum TOutputCommand : int {
  kOutChannelNext = 0x1001,
  kOutChannelPrev = 0x1002,
  kOutFloating = 0x1010,
  kOutToggleFullScreen = 0x1011,
  kOutLeaveFloating = 0x1012,
  kOutClose = 0x1013,
  kOutPipFloating = 0x1014,
  kOutCloseApplication = 0x1020,
};

inline constexpr int kVolumeStep = 5;
inline constexpr int kOutputs = 6;
inline constexpr int kNoOutput = 255;

// What the commands do to the window, the channel trees and the video outputs.
class IMainActions {
public:
  virtual ~IMainActions() = default;
  // Next (+1) or previous (-1) channel in the tree of an AV slot.
  virtual void StepChannel(int slot, int direction) = 0;
  virtual int Volume(int slot) = 0;
  virtual void SetVolume(int slot, int volume) = 0;
  virtual void ToggleMute(int slot) = 0;
  virtual bool OutputOpen(int output) = 0;
  // The picture-in-picture on the slot-1 tree's current channel.
  virtual void OpenPip() = 0;
  // A window state or request of a video output (closed, embedded, floating, full screen,
  // toggle, leave floating, leave full screen).
  virtual void SetVideoState(int output, int request) = 0;
  // The output whose window has the focus, and the target of the picture-in-picture commands
  // (kNoOutput when there is none).
  virtual int FocusedOutput() = 0;
  virtual int PipOutput() = 0;
  virtual void PipSelectNext() = 0;
  virtual void PipCyclePosition() = 0;
  virtual void PipCycleSize() = 0;
  virtual void CloseMainWindow() = 0;
  virtual void ClearSleepTimer() = 0;
  virtual void RecordToggleSlot0(bool ask) = 0;
  virtual void ShowReception(int slot, bool audio, bool video) = 0;
  virtual void SubtitlePagesChanged() = 0;
};

// Executes both messages through one dispatcher.
class TMainCommands {
public:
  explicit TMainCommands(IMainActions &actions) : actions_(actions) {}

  // Runs the message; false when the message or its command is not one the window knows.
  // While a key or remote button repeats only the main slot's volume runs again. Output
  // commands for outputs outside 0..5 are ignored and their failures swallowed.
  bool Dispatch(int message, std::intptr_t first, std::intptr_t second, bool repeat = false);

  bool Command(int command, std::intptr_t argument, bool repeat = false);
  bool OutputCommand(int command, int output) noexcept;

private:
  bool SlotCommand(int command);
  bool ScreenCommand(int command, std::intptr_t argument);
  void StepVolume(int slot, int delta);
  void TogglePip();
  void ToggleFullScreen(int output);

  IMainActions &actions_;
};

} // namespace qev::ui
