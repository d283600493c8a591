#pragma once

#include "ui/qt/form_settings.h"
#include "video/gst/gst_filter_registry.h"
#include "video/known_filters.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace qev::ui {
struct TUiSubsystems;
}
namespace qev::video {
class TFrameConfigDS;
}

namespace qev::app {

// The settings dialog and the graph configuration of the program: the known filters list
// (loaded with the options), the media framework's filter registry, the settings dialog from the
// main window's menu and the graph configuration frame from a video's context menu.
class TSettingsLink {
public:
  // Applied: what follows a confirmed settings dialog at once.
  explicit TSettingsLink(std::function<void()> applied);
  ~TSettingsLink();

  void FillSubsystems(ui::TUiSubsystems &subsystems, std::function<QWidget *()> mainWindow);
  // The graph configuration of a video (one frame at a time); reopen has the video reopened.
  void ShowGraphConfig(int index, QWidget *parent, std::function<void()> reopen);
  void ShowKnownFilters(QWidget *parent);

private:
  video::gst::TGstFilterRegistry registry_;
  video::TKnownFilterList knownFilters_;
  std::function<void()> applied_;
  QPointer<video::TFrameConfigDS> graphConfig_;
};

} // namespace qev::app
