#pragma once

#include "ui/gesture_table.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qev::ui {

// The recogniser's tag for the video embedded in the main window, whichever output that is.
inline constexpr std::uint32_t kEmbeddedVideoTag = 85;

// An output command message: the command and the output it addresses.
struct TOutputGesture {
  int Command = 0;
  int Output = 0;
};

// What a finished gesture over a video asks of the main window: nothing while gestures are
// switched off or when no video action has that gesture. The embedded tag becomes the output
// embedded at the moment (255 when none, which the main window ignores).
std::optional<TOutputGesture> VideoGestureCommand(const TGestureTable &table,
                                                  std::string_view gesture, std::uint32_t tag,
                                                  int embeddedOutput, bool enabled);
// The teletext action code of a finished gesture over the teletext window.
std::optional<std::uint16_t> TeletextGestureCode(const TGestureTable &table,
                                                 std::string_view gesture);

} // namespace qev::ui
