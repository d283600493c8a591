#include "ui/main_commands.h"

#include <algorithm>

namespace qev::ui {

namespace {

constexpr int kFloating = 2;
constexpr int kToggleFullScreen = 4;
constexpr int kLeaveFloating = 5;
constexpr int kClosed = 0;
constexpr int kPipSlot = 1;

bool ValidOutput(std::intptr_t output) { return output >= 0 && output < kOutputs; }

bool RepeatsWithKey(int command) { return command == kCmdVolumeUp || command == kCmdVolumeDown; }

} // namespace

bool TMainCommands::Dispatch(int message, std::intptr_t first, std::intptr_t second, bool repeat) {
  if (message == kCommandMessage)
    return Command(static_cast<int>(first), second, repeat);
  if (message == kOutputCommandMessage)
    return ValidOutput(second) && OutputCommand(static_cast<int>(first), static_cast<int>(second));
  return false;
}

bool TMainCommands::Command(int command, std::intptr_t argument, bool repeat) {
  if (repeat && !RepeatsWithKey(command))
    return false;
  if (SlotCommand(command) || ScreenCommand(command, argument))
    return true;
  switch (command) {
  case kCmdCloseApplication:
    actions_.CloseMainWindow();
    return true;
  case kCmdClearSleepTimer:
    actions_.ClearSleepTimer();
    return true;
  case kCmdRecord:
    actions_.RecordToggleSlot0(false);
    return true;
  case kCmdReception: {
    const int slot = (argument & 0xF0) == 0x10 ? 0 : (argument & 0xF0) == 0x20 ? 1 : -1;
    if (slot < 0)
      return false;
    actions_.ShowReception(slot, (argument & 1) != 0, (argument & 2) != 0);
    return true;
  }
  case kCmdSubtitlePages:
    actions_.SubtitlePagesChanged();
    return true;
  default:
    return false;
  }
}

// The channel, volume and mute commands of slots 0 (0x1xxx) and 1 (0x2xxx).
bool TMainCommands::SlotCommand(int command) {
  const int group = command & 0xF000;
  if (group != 0x1000 && group != 0x2000)
    return false;
  const int slot = group == 0x1000 ? 0 : kPipSlot;
  switch (command & 0x0FFF) {
  case 0x001:
    actions_.StepChannel(slot, +1);
    return true;
  case 0x002:
    actions_.StepChannel(slot, -1);
    return true;
  case 0x003:
    StepVolume(slot, +kVolumeStep);
    return true;
  case 0x004:
    StepVolume(slot, -kVolumeStep);
    return true;
  case 0x005:
    actions_.ToggleMute(slot);
    return true;
  case 0x006:
    if (slot != kPipSlot)
      return false;
    TogglePip();
    return true;
  default:
    return false;
  }
}

bool TMainCommands::ScreenCommand(int command, std::intptr_t argument) {
  switch (command) {
  case kCmdToggleFullScreen:
    ToggleFullScreen(actions_.FocusedOutput());
    return true;
  case kCmdPipFullScreen:
    ToggleFullScreen(actions_.PipOutput());
    return true;
  case kCmdPipSelectNext:
    actions_.PipSelectNext();
    return true;
  case kCmdPipCyclePos:
    actions_.PipCyclePosition();
    return true;
  case kCmdPipCycleSize:
    actions_.PipCycleSize();
    return true;
  case kCmdWindowMode:
    if (ValidOutput(argument / 256))
      actions_.SetVideoState(static_cast<int>(argument / 256), static_cast<int>(argument % 16));
    return true;
  default:
    return false;
  }
}

bool TMainCommands::OutputCommand(int command, int output) noexcept {
  if (!ValidOutput(output))
    return false;
  try {
    switch (command) {
    case kOutChannelNext:
    case kOutChannelPrev:
      if (output > kPipSlot)
        return false;
      actions_.StepChannel(output, command == kOutChannelNext ? +1 : -1);
      return true;
    case kOutFloating:
      actions_.SetVideoState(output, kFloating);
      return true;
    case kOutToggleFullScreen:
      actions_.SetVideoState(output, kToggleFullScreen);
      return true;
    case kOutLeaveFloating:
      actions_.SetVideoState(output, kLeaveFloating);
      return true;
    case kOutClose:
      actions_.SetVideoState(output, kClosed);
      return true;
    case kOutPipFloating:
      actions_.SetVideoState(kPipSlot, kFloating);
      return true;
    case kOutCloseApplication:
      actions_.CloseMainWindow();
      return true;
    default:
      return false;
    }
  } catch (...) {
    // A failing output command changes nothing more; the sender is not told.
    return true;
  }
}

void TMainCommands::StepVolume(int slot, int delta) {
  actions_.SetVolume(slot, std::clamp(actions_.Volume(slot) + delta, 0, 100));
}

void TMainCommands::TogglePip() {
  if (actions_.OutputOpen(kPipSlot))
    actions_.SetVideoState(kPipSlot, kClosed);
  else
    actions_.OpenPip();
}

void TMainCommands::ToggleFullScreen(int output) {
  if (ValidOutput(output))
    actions_.SetVideoState(output, kToggleFullScreen);
}

} // namespace qev::ui
