#pragma once

class QWidget;

namespace qev::guide {
class TGuide;
}
namespace qev::ui {
struct TUiContext;
}

namespace qev::app {

// Opens the guide window modally over the loaded satellite's channel list, with the guide
// collecting meanwhile. Without a readable channel list the window is not shown.
void OpenGuideWindow(QWidget *owner, ui::TUiContext &context, guide::TGuide &guide);

} // namespace qev::app
