#pragma once

#include "ui/gesture_table.h"
#include "ui/qt/gesture_hook.h"

#include <cstdint>
#include <functional>

class QWidget;

namespace qev::ui {

// What a video's recogniser needs: the output embedded in the main window now (255 for none),
// the option that switches video gestures on, and the main window's output command.
struct TVideoGestureLinks {
  const TGestureTable &Table;
  std::function<int()> EmbeddedOutput;
  std::function<bool()> Enabled;
  std::function<void(int command, int output)> RunOutputCommand;
};

// A recogniser in right-button mode over a video panel (tag 85 for the main window's panel,
// the output index for a floating window); it lives as long as the panel.
TGestureHook *AttachVideoGestures(QWidget *panel, std::uint32_t tag, TVideoGestureLinks links);
// A recogniser over the teletext window's page; the action code goes to the window.
TGestureHook *AttachTeletextGestures(QWidget *page, const TGestureTable &table,
                                     std::function<void(std::uint16_t code)> run);

} // namespace qev::ui
