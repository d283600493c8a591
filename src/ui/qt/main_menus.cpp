#include "ui/qt/main_menus.h"

#include "ui/main_panel_texts.h"

#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>

namespace qev::ui {

namespace {

constexpr std::uint16_t kFullTsPid = 0x2000; // every PID of the transport stream

QToolButton *Button(const char *name, const QString &text, const QString &tip,
                    QStyle::StandardPixmap icon, QToolBar &bar) {
  auto *button = new QToolButton;
  button->setObjectName(name);
  button->setText(text);
  button->setToolTip(tip);
  button->setIcon(bar.style()->standardIcon(icon));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar.addWidget(button);
  return button;
}

void Call(const std::function<void()> &handler) {
  if (handler)
    handler();
}

QAction *AddItem(QMenu &menu, const char *name, const QString &text,
                 const std::function<void()> &handler) {
  QAction *item = menu.addAction(text);
  item->setObjectName(name);
  QObject::connect(item, &QAction::triggered, &menu, [handler] { Call(handler); });
  return item;
}

} // namespace

TMainActionBar::TMainActionBar(TUiContext &context, bool pipPossible, TMainMenuHandlers handlers,
                               QWidget *parent)
    : QToolBar(tr("Actions"), parent), context_(context), handlers_(std::move(handlers)) {
  setObjectName("actionBar");
  setMovable(false);
  setFloatable(false);
  AddPipButton(pipPossible);
  auto *floating = Button("floatButton", tr("Float"), tr("Show the main video in its own window"),
                          QStyle::SP_TitleBarNormalButton, *this);
  connect(floating, &QToolButton::clicked, this, [this] { Call(handlers_.FloatVideo); });
  videoOff_ = Button("videoOffButton", tr("Video off"), tr("Switch the main video off"),
                     QStyle::SP_MediaStop, *this);
  videoOff_->setCheckable(true);
  connect(videoOff_, &QToolButton::clicked, this, [this](bool off) {
    if (handlers_.VideoOff)
      handlers_.VideoOff(off);
  });
  AddRecordButton();
  AddAudioChannelButton();
  AddSubtitleButton();
  AddSubsystemButtons();
  ShowPipOpen(false);
}

void TMainActionBar::AddPipButton(bool pipPossible) {
  pip_ = Button("pipButton", tr("PIP"), tr("Picture in picture"), QStyle::SP_DesktopIcon, *this);
  pip_->setCheckable(true);
  pip_->setPopupMode(QToolButton::MenuButtonPopup);
  auto *menu = new QMenu(pip_);
  pipClose_ = AddItem(*menu, "pipCloseItem", tr("Close"), [this] {
    if (handlers_.Pip)
      handlers_.Pip(false);
  });
  pipSwap_ = AddItem(*menu, "pipSwapItem", tr("Swap"), handlers_.SwapPip);
  pip_->setMenu(menu);
  connect(pip_, &QToolButton::clicked, this, [this](bool open) {
    if (handlers_.Pip)
      handlers_.Pip(open);
  });
  pip_->setEnabled(pipPossible);
}

void TMainActionBar::AddRecordButton() {
  if (!context_.Subsystems.RecStartChannel)
    return;
  record_ = Button("recordButton", tr("Record"), tr("Record the main channel"),
                   QStyle::SP_DialogSaveButton, *this);
  record_->setCheckable(true);
  record_->setPopupMode(QToolButton::MenuButtonPopup);
  auto *menu = new QMenu(record_);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillRecordMenu(*menu); });
  record_->setMenu(menu);
  connect(record_, &QToolButton::clicked, this, [this] { Call(handlers_.RecordToggle); });
}

// "AV0: name" and "PIP: name" start a recording of that slot with the question; the whole
// stream and a single PID follow when the recorder takes PIDs.
void TMainActionBar::FillRecordMenu(QMenu &menu) {
  menu.clear();
  const int slotCount = pip_->isEnabled() ? 2 : 1;
  for (int slot = 0; slot < slotCount; ++slot) {
    const device::TSlotState &state = context_.Engine.Slot(slot);
    const data::TChannelRec *channel = state.Playing() ? &state.CurrentChannel : nullptr;
    QAction *item = menu.addAction(
        QString::fromStdString(RecordSlotCaption(slot == 0 ? "AV0" : "PIP", channel)));
    item->setEnabled(channel != nullptr);
    if (channel)
      connect(item, &QAction::triggered, this, [this, slot, rec = *channel] {
        context_.Subsystems.RecStartChannel(rec, slot, 0, true);
      });
  }
  const auto &startPid = context_.Subsystems.RecStartPid;
  if (!startPid)
    return;
  menu.addSeparator();
  const std::string title = FullTsTitle(context_.Engine.Slot(0).CurrentChannel);
  const auto &fullTs = context_.Subsystems.RecFullTsPossible;
  AddItem(menu, "recordFullTsItem", tr("Full TS"), [startPid, title] {
    startPid(kFullTsPid, title, {});
  })->setEnabled(fullTs && fullTs());
  AddItem(menu, "recordPidItem", tr("Record PID..."), [startPid] { startPid(0, {}, {}); });
}

void TMainActionBar::AddAudioChannelButton() {
  if (!context_.Subsystems.AudioChannelMode || !context_.Subsystems.SetAudioChannel)
    return;
  audioChannel_ =
      Button("audioChannelButton", "AB", tr("Audio channel"), QStyle::SP_MediaVolume, *this);
  audioChannel_->setPopupMode(QToolButton::InstantPopup);
  auto *menu = new QMenu(audioChannel_);
  const std::pair<int, QString> modes[] = {{0, tr("Both")}, {1, tr("A")}, {2, tr("B")}};
  for (const auto &[mode, text] : modes)
    AddItem(*menu, "", text, [this, mode = mode] {
      context_.Subsystems.SetAudioChannel(mode);
      ShowAudioChannel();
    });
  audioChannel_->setMenu(menu);
  ShowAudioChannel();
}

void TMainActionBar::ShowAudioChannel() {
  if (!audioChannel_)
    return;
  const int mode = context_.Subsystems.AudioChannelMode();
  audioChannel_->setText(QString::fromStdString(AudioChannelCaption(mode)));
  audioChannel_->setEnabled(AudioChannelKnown(mode));
}

void TMainActionBar::AddSubtitleButton() {
  if (!context_.Subsystems.ShowSubtitles)
    return;
  subtitles_ = Button("subtitleButton", "Sub", tr("Teletext subtitles"),
                      QStyle::SP_FileDialogDetailedView, *this);
  subtitles_->setCheckable(true);
  subtitleMenu_ = new QMenu(subtitles_);
  connect(subtitleMenu_, &QMenu::aboutToShow, this, [this] { FillSubtitleMenu(*subtitleMenu_); });
  connect(subtitles_, &QToolButton::clicked, this,
          [this](bool pressed) { SubtitleClicked(pressed); });
  ShowSubtitlePages();
}

void TMainActionBar::ShowSubtitlePages() {
  if (!subtitles_)
    return;
  const bool known =
      context_.Subsystems.SubtitlePages && !context_.Subsystems.SubtitlePages().empty();
  subtitles_->setPopupMode(QToolButton::MenuButtonPopup);
  subtitles_->setMenu(known ? subtitleMenu_ : nullptr);
}

void TMainActionBar::FillSubtitleMenu(QMenu &menu) {
  menu.clear();
  if (!context_.Subsystems.SubtitlePages)
    return;
  for (const auto &[page, language] : context_.Subsystems.SubtitlePages()) {
    QAction *item = AddItem(menu, "", QString::fromStdString(SubtitlePageItem(page, language)),
                            [this, page = page] { ShowSubtitlePage(page); });
    item->setCheckable(true);
    item->setChecked(page == subtitlePage_);
  }
}

// Pressed without a page to show, the page is asked for; a cancel or a number outside 0..999
// leaves everything as it was.
void TMainActionBar::SubtitleClicked(bool pressed) {
  if (!pressed) {
    ShowSubtitlePage(0);
    return;
  }
  int page = subtitlePage_;
  if (page == 0 && context_.Subsystems.SubtitlePages) {
    const auto pages = context_.Subsystems.SubtitlePages();
    if (!pages.empty())
      page = pages.front().first;
  }
  if (page == 0) {
    bool accepted = false;
    const QString text = QInputDialog::getText(this, kSubtitleInputTitle, kSubtitleInputLabel,
                                               QLineEdit::Normal, {}, &accepted);
    const std::optional<int> typed =
        accepted ? SubtitlePageInput(text.toStdString()) : std::nullopt;
    if (!typed) {
      subtitles_->setChecked(false);
      return;
    }
    page = *typed;
  }
  ShowSubtitlePage(page);
}

void TMainActionBar::ShowSubtitlePage(int page) {
  subtitlePage_ = page;
  context_.Subsystems.ShowSubtitles(page);
  subtitles_->setChecked(page > 0);
  subtitles_->setText(page > 0 ? QString::fromStdString(SubtitleButtonCaption(page)) : "Sub");
}

void TMainActionBar::AddSubsystemButtons() {
  if (const auto &settings = context_.Subsystems.DeviceSettings) {
    auto *button = Button("deviceSettingsButton", tr("Device"), tr("Device settings"),
                          QStyle::SP_ComputerIcon, *this);
    connect(button, &QToolButton::clicked, this, [settings] { settings(); });
  }
  if (const auto &guide = context_.Subsystems.OpenGuide) {
    auto *button = Button("guideButton", tr("Guide"), tr("Programme guide"),
                          QStyle::SP_FileDialogListView, *this);
    connect(button, &QToolButton::clicked, this, [guide] { guide(); });
  }
  if (const auto &teletext = context_.Subsystems.OpenTeletext) {
    teletext_ = Button("teletextButton", tr("Teletext"), tr("Teletext pages"),
                       QStyle::SP_FileDialogDetailedView, *this);
    teletext_->setEnabled(false); // until a channel with teletext is on slot 0
    connect(teletext_, &QToolButton::clicked, this, [teletext] { teletext(); });
  }
  AddScanButton();
}

void TMainActionBar::AddScanButton() {
  if (!context_.Subsystems.ScanSatellite)
    return;
  auto *button =
      Button("scanButton", tr("Scan"), tr("Scan a satellite"), QStyle::SP_BrowserReload, *this);
  button->setPopupMode(QToolButton::InstantPopup);
  auto *menu = new QMenu(button);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillScanMenu(*menu); });
  button->setMenu(menu);
}

// The loaded satellite, the transponder of slot 0's channel, then every satellite as position
// text and name, the loaded one checked.
void TMainActionBar::FillScanMenu(QMenu &menu) {
  menu.clear();
  const TUiSubsystems &subsystems = context_.Subsystems;
  const device::TLoadedSat &loaded = context_.LoadedSat;
  const auto scan = subsystems.ScanSatellite;
  const int loadedIndex = loaded.Index();
  AddItem(menu, "scanLoadedSatItem", tr("Scan current satellite"), [scan, loadedIndex] {
    scan(loadedIndex);
  })->setEnabled(loaded.Loaded());
  if (const auto scanTp = subsystems.ScanTransponder) {
    const data::TChannelRec &rec = context_.Engine.Slot(0).CurrentChannel;
    const data::TTransponder tp =
        data::MakeTransponder((rec.Freq + 500) / 1000, rec.Polar, rec.SRate);
    const int satIndex = rec.SatIndex;
    AddItem(menu, "scanTransponderItem", tr("Scan current transponder"), [scanTp, satIndex, tp] {
      scanTp(satIndex, tp);
    })->setEnabled(rec.Freq != 0);
  }
  menu.addSeparator();
  for (const data::TSatRec &sat : context_.Sats.Items()) {
    const int index = sat.SatIdx;
    QAction *item =
        AddItem(menu, "scanSatItem",
                QString::fromStdString(data::PositionText(sat.SatPos) + " " + data::SatName(sat)),
                [scan, index] { scan(index); });
    item->setCheckable(true);
    item->setChecked(loaded.Loaded() && index == loadedIndex);
  }
}

void TMainActionBar::ShowPipOpen(bool open) {
  pip_->setChecked(open);
  pipClose_->setEnabled(open);
  pipSwap_->setEnabled(open);
}

void TMainActionBar::ShowRecording(bool recording) {
  if (record_)
    record_->setChecked(recording);
}

void TMainActionBar::ShowVideoOff(bool off) { videoOff_->setChecked(off); }

void TMainActionBar::ShowTeletextAvailable(bool available) {
  if (teletext_)
    teletext_->setEnabled(available);
}

void BuildMainMenus(QMenuBar &bar, const TMainMenuHandlers &handlers) {
  QMenu *file = bar.addMenu(QObject::tr("&File"));
  file->setObjectName("fileMenu");
  AddItem(*file, "quitItem", QObject::tr("Quit") + "\tCtrl+Q", handlers.Quit);
  QMenu *view = bar.addMenu(QObject::tr("&View"));
  view->setObjectName("viewMenu");
  AddItem(*view, "fullScreenItem", QObject::tr("Full screen") + "\tF11", handlers.FullScreen);
  AddItem(*view, "floatItem", QObject::tr("Floating video"), handlers.FloatVideo);
  if (handlers.Teletext)
    AddItem(*view, "teletextItem", QObject::tr("Teletext"), handlers.Teletext);
  QMenu *tools = bar.addMenu(QObject::tr("&Tools"));
  tools->setObjectName("toolsMenu");
  AddItem(*tools, "diseqcLogItem", QObject::tr("DiSEqC log"), handlers.DiseqcLog);
  AddItem(*tools, "diseqcConsoleItem", QObject::tr("DiSEqC console"), handlers.DiseqcConsole);
  if (handlers.Settings)
    AddItem(*tools, "settingsItem", QObject::tr("Settings..."), handlers.Settings);
}

namespace {

void FillProfileMenu(QMenu &menu, const TUiSubsystems &subsystems) {
  menu.clear();
  if (!subsystems.PluginProfiles || !subsystems.ApplyPluginProfile)
    return;
  const int current = subsystems.CurrentPluginProfile ? subsystems.CurrentPluginProfile() : -1;
  for (const auto &[number, name] : subsystems.PluginProfiles()) {
    QAction *item =
        AddItem(menu, "", QString::fromStdString(name),
                [apply = subsystems.ApplyPluginProfile, number = number] { apply(number); });
    item->setCheckable(true);
    item->setChecked(number == current);
  }
}

} // namespace

void AddPluginMenu(QMenuBar &bar, const TUiSubsystems &subsystems) {
  if (!subsystems.OpenPluginViewer)
    return;
  QMenu *plugins = bar.addMenu(QObject::tr("&Plugins"));
  plugins->setObjectName("pluginsMenu");
  QObject::connect(plugins, &QMenu::aboutToShow, plugins, [plugins, &subsystems] {
    plugins->clear();
    AddItem(*plugins, "pluginViewerItem", QObject::tr("Plugin viewer..."),
            subsystems.OpenPluginViewer);
    QMenu *profiles = plugins->addMenu(QObject::tr("Profile"));
    profiles->setObjectName("pluginProfileMenu");
    FillProfileMenu(*profiles, subsystems);
    if (subsystems.FillPluginMenus) {
      plugins->addSeparator();
      subsystems.FillPluginMenus(*plugins);
    }
  });
}

void AddInfoMenu(QMenuBar &bar, const TInfoMenuHandlers &handlers) {
  QMenu *info = bar.addMenu(QObject::tr("&Info"));
  info->setObjectName("infoMenu");
  if (handlers.TsStatistics)
    AddItem(*info, "tsStatisticsItem", QObject::tr("Transport Stream"), handlers.TsStatistics);
  if (handlers.BitrateViewer)
    AddItem(*info, "bitrateViewerItem", QObject::tr("Bitrate Viewer"), handlers.BitrateViewer);
  if (handlers.ResourceMonitor)
    AddItem(*info, "resourceMonitorItem", QObject::tr("Resource Monitor"),
            handlers.ResourceMonitor);
}

} // namespace qev::ui
