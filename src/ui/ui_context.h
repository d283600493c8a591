#pragma once

#include "data/channel_lists.h"
#include "data/channel_rec.h"
#include "data/favorites.h"
#include "data/sat_list.h"
#include "data/transponder.h"
#include "device/diseqc_sender.h"
#include "device/signal_display.h"
#include "device/transponder_tuner.h"
#include "device/tuning_engine.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "ui/programme_display.h"
#include "ui/tree_source.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QMenu;
class QWidget;

namespace qev::plugins {
class TPluginHost;
}

namespace qev::ui {

// What other subsystems offer the windows. An empty entry means the subsystem does not exist
// (yet): the menu items and buttons that would call it are hidden.
// What a new scheduled job is to do: Minutes 0 and StartLocal 0 ask the user from now on.
struct TSchJobRequest {
  int Minutes = 0;
  std::string Comment;
  int Action = 1;              // 1 record
  std::int64_t StartLocal = 0; // local seconds since 1970
};

struct TUiSubsystems {
  // Recorder: a channel of an AV slot (255 = none), or one PID with a title and a default name.
  std::function<void(const data::TChannelRec &, int slot, int minutes, bool ask)> RecStartChannel;
  std::function<void(std::uint16_t pid, const std::string &title, const std::string &name)>
      RecStartPid;
  // Scheduler: a job for the channel, and the list of scheduled jobs.
  std::function<void(const data::TChannelRec &, const TSchJobRequest &)> SchAddJob;
  std::function<void()> SchJobList;
  // Scanner: the transponder of a channel, or a whole satellite.
  std::function<void(std::int32_t handle)> RescanByHandle;
  std::function<void(int satIndex)> ScanSatellite;
  // The scanner reduced to one transponder of a satellite (frequency in MHz).
  std::function<void(int satIndex, const data::TTransponder &)> ScanTransponder;
  // Editors: true when the user confirmed; the record holds the result.
  std::function<bool(data::TChannelRec &)> EditChannel;
  std::function<bool(std::uint8_t (&favCat)[4])> FavEdit;
  std::function<bool(data::TSatRec &, bool add)> EditSatellite;
  // Plugin host: the profile chooser (true with the number when confirmed, 0 = "<Disabled>"),
  // and whether a plugin filter is open on a PID.
  std::function<bool(int &profile)> SelectProfile;
  std::function<bool(std::uint16_t pid)> PluginFilterOpen;
  // The plugin host: its table, logs, options and menus (null without plugins).
  plugins::TPluginHost *PluginHost = nullptr;
  // Plugin host: the plugin viewer; the plugins' own menus put into a menu (one submenu per
  // plugin that has one); the profiles to apply (number and name, "Default" first), the
  // current one and applying one; a click on the key indicator of slot 0 or 1 (button 0 left,
  // 1 right).
  std::function<void()> OpenPluginViewer;
  std::function<void(QMenu &menu)> FillPluginMenus;
  std::function<std::vector<std::pair<int, std::string>>()> PluginProfiles;
  std::function<int()> CurrentPluginProfile;
  std::function<void(int profile)> ApplyPluginProfile;
  std::function<void(int slot, int button)> PluginKeyClick;
  // The name of a profile number, as the channel tree shows a channel's profile.
  std::function<std::string(int profile)> PluginProfileName;
  // Recorder: whether an AV slot is being recorded, and stopping that recording.
  std::function<bool(int slot)> RecSlotActive;
  std::function<void(int slot)> RecStopSlot;
  // Recorder: whether any recording runs, whether the device can record the whole stream, and
  // the recordings tab of the information area (made once, owned by the parent given).
  std::function<bool()> RecActive;
  std::function<bool()> RecFullTsPossible;
  std::function<QWidget *(QWidget *parent)> RecordsTab;
  // Sleep timer: clears it.
  std::function<void()> ClearSleepTimer;
  // Guide: the event on air of a service, and the guide window (modal).
  TNowLookup GuideNowEvent;
  std::function<void()> OpenGuide;
  // Device module: its own settings dialog, when it offers one.
  std::function<void()> DeviceSettings;
  // Sound of AV slot 0: its channel mode (0 both, 1 A, 2 B; 3 or more when the module reports
  // none), and choosing one.
  std::function<int()> AudioChannelMode;
  std::function<void(int mode)> SetAudioChannel;
  // Teletext subtitles: the known subtitle pages with their languages, and showing one page on
  // the main video (0 stops them).
  std::function<std::vector<std::pair<int, std::string>>()> SubtitlePages;
  std::function<void(int page)> ShowSubtitles;
  // Teletext: the teletext window (one instance; an open one comes to the front).
  std::function<void()> OpenTeletext;
  // The settings dialog was closed: the subtitles take the options again.
  std::function<void()> RefreshSubtitles;
  // Power: standby, suspend, shut down or hibernate (commands 0x7002..0x7005).
  std::function<void(int command)> PowerAction;
  // The settings dialog's buttons: the gesture editor (the table is saved when it closes) and
  // the child lock's password change, each over the window given.
  std::function<void(QWidget *owner)> EditGestures;
  std::function<void(QWidget *owner)> ChangeChildLockPassword;
  // The settings dialog (modal).
  std::function<void()> OpenSettings;
};

class THotKeys;

// The program's state the windows show and change. Everything is borrowed; tests bind it to
// their own lists, engine and hub.
struct TUiContext {
  data::TSatList &Sats;
  data::TChannelLists &Lists;
  data::TFavorites &Favorites;
  data::TCategories &Categories;
  device::TTuningEngine &Engine;
  device::TLoadedSat &LoadedSat;
  frame::TOptions &Options;
  frame::TNotificationHub &Hub;
  std::function<bool()> ChildLockActive = [] { return false; };
  TUiSubsystems Subsystems{};
  // The DiSEqC path of the loaded device (its level, and sending with the bus timing into the
  // DiSEqC log); null when there is no device: the positioner console then refuses to open.
  device::TDiseqcSender *Diseqc = nullptr;
  // The tuner's last status as the signal bars show it; empty shows nothing.
  std::function<device::TSignalDisplay()> Signal{};
  // The keys and the remote control; null runs the built-in keys and no remote.
  THotKeys *HotKeys = nullptr;
};

// The program's own lists, engine, options and hub.
TUiContext ProgramUiContext();
// The data a channel tree reads, from the context.
TTreeData TreeDataOf(const TUiContext &context);

} // namespace qev::ui
