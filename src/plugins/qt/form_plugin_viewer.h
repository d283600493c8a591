#pragma once
// The plugin viewer: the plugins of each AV slot with their enable states and menus, the
// filter table, the plugin and command logs, the options of "Plugins.cfg" and the profiles.

#include "plugins/plugin_config.h"
#include "plugins/plugin_log.h"
#include "plugins/plugin_profiles.h"
#include "plugins/plugin_table.h"
#include "plugins/profile_applier.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

namespace qev::frame {
class TNotificationHub;
}

namespace qev::plugins {

struct TPluginViewerLinks {
  IPluginTable &Table;
  TPluginLog &Log;
  TPluginProfiles &Profiles;
  TProfileApplier &Applier;
  frame::TNotificationHub &Hub;
  std::function<TPluginOptions()> Options;
  std::function<void(const TPluginOptions &)> SetOptions; // stores them at once
  std::function<std::vector<std::string>()> KnownPlugins;
  std::filesystem::path ConfigFile; // for the monitor actions
};

// "AV0-Main", "AV1-PIP", "AV2-PIP2", "AV3-PIP3".
QString SlotCaption(int slot);

class TFormPluginViewer final : public QWidget {
  Q_OBJECT
public:
  TFormPluginViewer(TPluginViewerLinks links, QWidget *owner);
  ~TFormPluginViewer() override;

  // Everything shown again from the host.
  void Refresh();

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

} // namespace qev::plugins
