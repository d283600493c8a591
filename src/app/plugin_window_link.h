#pragma once

#include "plugins/plugin_profiles.h"
#include "plugins/profile_applier.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace qev::plugins {
class TPluginHost;
class TFormPluginViewer;
} // namespace qev::plugins
namespace qev::ui {
struct TUiSubsystems;
}

namespace qev::app {

// The plugin host's profiles and windows in the program: the host applies the start profile and
// a tuned channel's profile through it, and the main window reaches the plugin viewer, the profile
// menu, the plugins' own menus, the key-click actions and the channel tree's profile chooser.
class TPluginWindowLink {
public:
  // Made before the host loads its plugins: the profile names are read and the host applies
  // its start profile through this link.
  explicit TPluginWindowLink(plugins::TPluginHost &host);
  ~TPluginWindowLink();
  TPluginWindowLink(const TPluginWindowLink &) = delete;
  TPluginWindowLink &operator=(const TPluginWindowLink &) = delete;

  // The windows' entries; owner gives the main window once it exists (the dialogs' parent).
  void FillSubsystems(ui::TUiSubsystems &subsystems, std::function<QWidget *()> owner);
  void OpenViewer(QWidget *owner);

  plugins::TProfileApplier &Applier() { return applier_; }
  plugins::TPluginProfiles &Profiles() { return profiles_; }

private:
  std::vector<std::string> KnownPlugins() const;
  void StoreStartProfile(int profile);

  plugins::TPluginHost &host_;
  plugins::TPluginProfiles profiles_;
  plugins::TProfileApplier applier_;
  // Parented by the main window, which may go first.
  QPointer<plugins::TFormPluginViewer> viewer_;
};

} // namespace qev::app
