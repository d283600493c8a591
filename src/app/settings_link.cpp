#include "app/settings_link.h"

#include "frame/app_paths.h"
#include "frame/options.h"
#include "ui/ui_context.h"
#include "video/graph_config.h"
#include "video/qt/form_ds_know_filters.h"
#include "video/qt/frame_config_ds.h"
#include "video/video_outputs.h"

namespace qev::app {

TSettingsLink::TSettingsLink(std::function<void()> applied) : applied_(std::move(applied)) {
  knownFilters_.Load(frame::FindExisting(frame::Paths().KnowFiltersFile), &registry_);
}

TSettingsLink::~TSettingsLink() {
  if (graphConfig_)
    delete graphConfig_.data();
}

void TSettingsLink::FillSubsystems(ui::TUiSubsystems &subsystems,
                                   std::function<QWidget *()> mainWindow) {
  subsystems.OpenSettings = [this, &subsystems, mainWindow = std::move(mainWindow)] {
    ui::TSettingsLinks links;
    links.OptionsFile = frame::FindExisting(frame::Paths().OptionsFile);
    links.KnownFilters = [this](QWidget *parent) { ShowKnownFilters(parent); };
    links.EditGestures = subsystems.EditGestures;
    links.ChangePassword = subsystems.ChangeChildLockPassword;
    links.Applied = applied_;
    ui::TFormSettings dialog(frame::Options(), std::move(links), mainWindow());
    dialog.exec();
  };
}

void TSettingsLink::ShowKnownFilters(QWidget *parent) {
  video::TFormDsKnowFilters editor(knownFilters_, registry_,
                                   frame::FindExisting(frame::Paths().KnowFiltersFile), parent);
  editor.exec();
}

void TSettingsLink::ShowGraphConfig(int index, QWidget *parent, std::function<void()> reopen) {
  if (index < 0 || index >= video::kVideoCount)
    return;
  if (graphConfig_)
    graphConfig_->close();
  const frame::TAppPaths &paths = frame::Paths();
  video::TGraphConfigPlaces places{frame::FindExisting(paths.DirectShowFile), paths.Graphs,
                                   paths.Filters};
  graphConfig_ = new video::TFrameConfigDS(index, video::kVideoNames[index], knownFilters_,
                                           registry_, std::move(places), std::move(reopen), parent);
  graphConfig_->show();
}

} // namespace qev::app
