#include "app/plugin_window_link.h"

#include "frame/fast_ini_file.h"
#include "frame/notification_hub.h"
#include "plugins/plugin_host.h"
#include "plugins/qt/form_plugin_viewer.h"
#include "plugins/qt/form_profile_editor.h"
#include "plugins/qt/plugin_menu_qt.h"
#include "ui/ui_context.h"

#include <QMenu>

namespace qev::app {

TPluginWindowLink::TPluginWindowLink(plugins::TPluginHost &host)
    : host_(host), profiles_(host.ConfigFile()),
      applier_(host, profiles_,
               {[&host] { return host.Options().LoadEn; },
                [this](int profile) { StoreStartProfile(profile); },
                [&host](const std::string &line) {
                  host.Log().Add(plugins::PluginLogKind::Info, line);
                }}) {
  profiles_.LoadNames();
  host_.SetApplyProfile(
      [this](int profile, bool notify) { return applier_.ApplyProfile(profile, notify); });
}

TPluginWindowLink::~TPluginWindowLink() {
  host_.SetApplyProfile(nullptr);
  delete viewer_.data();
}

void TPluginWindowLink::FillSubsystems(ui::TUiSubsystems &subsystems,
                                       std::function<QWidget *()> owner) {
  subsystems.OpenPluginViewer = [this, owner] { OpenViewer(owner()); };
  subsystems.FillPluginMenus = [this](QMenu &menu) {
    for (int index = 0; index < host_.Count(); ++index) {
      const plugins::TPluginEntry &entry = host_.Entry(index);
      if (entry.Menu.empty())
        continue;
      const std::string &name = entry.PluginName.empty() ? entry.DllName : entry.PluginName;
      plugins::FillPluginMenu(*menu.addMenu(QString::fromStdString(name)), host_, index);
    }
  };
  subsystems.PluginProfiles = [this] { return profiles_.ApplyChoices(); };
  subsystems.CurrentPluginProfile = [this] { return applier_.Current(); };
  subsystems.ApplyPluginProfile = [this](int profile) { applier_.ApplyProfile(profile, true); };
  subsystems.PluginKeyClick = [this](int slot, int button) { applier_.KeyClick(slot, button); };
  subsystems.SelectProfile = [this, owner](int &profile) {
    return plugins::SelectPluginProfile(owner(), profiles_, profile);
  };
  subsystems.PluginProfileName = [this](int profile) { return profiles_.Name(profile); };
}

void TPluginWindowLink::OpenViewer(QWidget *owner) {
  if (!viewer_) {
    viewer_ = new plugins::TFormPluginViewer(
        {host_, host_.Log(), profiles_, applier_, frame::GlobalNotifications(),
         [this] { return host_.Options(); },
         [this](const plugins::TPluginOptions &options) { host_.SetOptions(options); },
         [this] { return KnownPlugins(); }, host_.ConfigFile()},
        owner);
  }
  viewer_->Refresh();
  viewer_->show();
  viewer_->raise();
  viewer_->activateWindow();
}

std::vector<std::string> TPluginWindowLink::KnownPlugins() const {
  frame::TFastIniFile config(host_.ConfigFile());
  return plugins::ReadKnowPlugins(config);
}

void TPluginWindowLink::StoreStartProfile(int profile) {
  plugins::TPluginOptions options = host_.Options();
  if (options.StartProfile == profile)
    return;
  options.StartProfile = profile;
  host_.SetOptions(options);
}

} // namespace qev::app
