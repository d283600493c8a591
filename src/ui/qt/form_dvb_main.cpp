#include "ui/qt/form_dvb_main.h"

#include "data/media_format.h"
#include "device/diseqc_log.h"
#include "frame/busy_tracker.h"
#include "frame/process_flags.h"
#include "ui/hotkeys.h"
#include "ui/main_keys.h"
#include "ui/main_window_caption.h"
#include "ui/qt/form_diseqc_console.h"
#include "ui/qt/form_diseqc_log.h"
#include "ui/qt/form_hot_keys.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/qt/frame_channel_info.h"
#include "ui/qt/frame_sat_list.h"
#include "ui/qt/main_key_names.h"
#include "ui/qt/main_menus.h"
#include "ui/qt/main_panels.h"
#include "video/media_type.h"
#include "video/qt/video_manager.h"
#include "video/qt/video_panel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <chrono>

namespace qev::ui {

namespace {

constexpr std::chrono::milliseconds kIndicatorTick{200};
constexpr std::chrono::seconds kSecondTick{1};
constexpr std::chrono::milliseconds kBlinkTick{500};

QProgressBar *SignalBar(const char *name, const char *format) {
  auto *bar = new QProgressBar;
  bar->setObjectName(name);
  bar->setRange(0, 100);
  bar->setFormat(format);
  const int textWidth = bar->fontMetrics().horizontalAdvance(QString(format).replace("%p", "100"));
  bar->setMinimumWidth(textWidth + bar->fontMetrics().averageCharWidth() * 4);
  bar->setMaximumWidth(textWidth * 2);
  return bar;
}

bool TakesText(const QWidget &widget) {
  return qobject_cast<const QLineEdit *>(&widget) || qobject_cast<const QTextEdit *>(&widget) ||
         qobject_cast<const QPlainTextEdit *>(&widget) ||
         qobject_cast<const QAbstractSpinBox *>(&widget);
}

std::int64_t NowUtc() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The summary line of a stream format that the source feed found.
std::string MediaText(const video::TMediaType &type) {
  data::TMediaFormat format;
  if (type.HasFormat && type.FormatType == video::TFormatType::Mpeg2Video) {
    format.FormatType = data::TMediaFormat::Type::Mpeg2Video;
    format.Width = static_cast<int>(type.Width);
    format.Height = static_cast<int>(type.Height);
    format.AspectX = static_cast<int>(type.AspectX);
    format.AspectY = static_cast<int>(type.AspectY);
    format.BitRate = type.BitRate;
  } else if (type.HasFormat && type.FormatType == video::TFormatType::WaveFormatEx) {
    format.FormatType = data::TMediaFormat::Type::Wave;
    format.FormatTag = type.FormatTag;
    format.Channels = type.Channels;
    format.SampleRate = type.SamplesPerSec;
    format.AvgBytesPerSec = type.AvgBytesPerSec;
  }
  return data::MediaFormatText(format);
}

template <void (TFormDvbMain::*Method)(std::intptr_t, std::intptr_t)> struct THandlerOf {
  static void Call(void *context, std::intptr_t first, std::intptr_t second) {
    (static_cast<TFormDvbMain *>(context)->*Method)(first, second);
  }
};

} // namespace

TFormDvbMain::TFormDvbMain(TUiContext &context, std::function<bool()> closeRequested)
    : context_(context), closeRequested_(std::move(closeRequested)), commands_(*this),
      secondRules_(SecondRuleSet()), pipPossible_(frame::Flags().PipPossible) {
  setObjectName("FormDvbMain");
  BuildLayout();
  ShowSignal(0, 0, false);
  SetDevice({});
  Subscribe(true);
  StartTimers();
  qApp->installEventFilter(this);
  videoPanel_->installEventFilter(this);
  AttachHotKeys(true);
}

TFormDvbMain::~TFormDvbMain() {
  Detach();
  qApp->removeEventFilter(this);
}

void TFormDvbMain::Detach() {
  AttachHotKeys(false);
  Subscribe(false);
  indicatorTimer_.stop();
  secondTimer_.stop();
  blinkTimer_.stop();
}

void TFormDvbMain::BuildLayout() {
  TMainMenuHandlers handlers;
  handlers.Pip = [this](bool open) { SetPip(open); };
  handlers.SwapPip = [this] { context_.Engine.SwapPip(); };
  handlers.VideoOff = [this](bool off) { SetVideoOff(off); };
  handlers.FloatVideo = [this] { SetVideoState(0, video::kFloating); };
  handlers.FullScreen = [this] { SetVideoState(0, video::kToggleFullScreen); };
  handlers.RecordToggle = [this] { RecordToggleSlot0(true); };
  handlers.DiseqcLog = [this] {
    auto *log = findChild<TFormDiseqcLog *>();
    if (!log)
      log = new TFormDiseqcLog(this, device::DiseqcLog());
    log->show();
    log->raise();
  };
  handlers.DiseqcConsole = [this] { TFormDiseqcConsole::ShowConsole(this, context_); };
  handlers.Teletext = context_.Subsystems.OpenTeletext;
  handlers.Settings = context_.Subsystems.OpenSettings;
  handlers.Quit = [this] { close(); };
  BuildMainMenus(*menuBar(), handlers);
  AddPluginMenu(*menuBar(), context_.Subsystems);
  actionBar_ = new TMainActionBar(context_, pipPossible_, handlers, this);
  addToolBar(Qt::TopToolBarArea, actionBar_);
  actionBar_->ShowVideoOff(context_.Options.General.Video0Disabled);
  ShowTeletextAvailable();

  auto *split = new QSplitter(Qt::Horizontal);
  split->setObjectName("mainSplitter");
  split->setChildrenCollapsible(false);
  split->addWidget(BuildChannelPanel());
  split->addWidget(BuildVideoArea());
  split->addWidget(BuildInfoTabs());
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setStretchFactor(2, 0);
  // The information area may be folded away to give the video the room.
  split->setCollapsible(2, true);
  const int em = fontMetrics().averageCharWidth();
  split->setSizes({em * 40, em * 100, em * 50});
  setCentralWidget(split);
  BuildStatusBar();
  // A first start (no stored placement) takes most of the screen it opens on.
  QSize size(em * 150, fontMetrics().height() * 40);
  if (const QScreen *screen = this->screen()) {
    const QSize room = screen->availableGeometry().size();
    size = size.expandedTo(room * 0.8).boundedTo(room);
  }
  resize(size);
}

QWidget *TFormDvbMain::BuildChannelPanel() {
  auto *panel = new QSplitter(Qt::Vertical);
  panel->setObjectName("channelPanel");
  panel->setChildrenCollapsible(false);
  trees_[0] = new TFrameChanTree(panel, context_, {true, true, true}, context_.Options.ChFilter, 0);
  panel->addWidget(trees_[0]);
  connect(trees_[0], &TFrameChanTree::HotkeysActiveChanged, this, [this](bool active) {
    hotkeysActive_ = active;
    if (hotKeysButton_)
      hotKeysButton_->setEnabled(active);
  });
  if (pipPossible_) {
    trees_[1] = new TFrameChanTree(panel, context_, {true, false, false}, secondRules_, 1);
    panel->addWidget(trees_[1]);
    panel->setStretchFactor(0, 3);
    panel->setStretchFactor(1, 1);
  }
  return panel;
}

QWidget *TFormDvbMain::BuildVideoArea() {
  auto *area = new QWidget;
  auto *column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);

  videoPanel_ = new video::TVideoPanel;
  videoPanel_->setObjectName("videoPanel");
  const int em = fontMetrics().averageCharWidth();
  videoPanel_->setMinimumSize(em * 32, em * 18);
  column->addWidget(videoPanel_, 1);

  channelPanels_ = new TMainChannelPanels(context_.Subsystems.GuideNowEvent);
  channelPanels_->setObjectName("channelPanels");
  column->addWidget(channelPanels_);
  auto *controls = new QHBoxLayout;
  volume_ = new TMainVolumeControls;
  volume_->setObjectName("volumeControls");
  volume_->SetHandlers({[this](int volume) { SetVolume(0, volume); }, [this] { ToggleMute(0); }});
  keyIndicators_ = new TMainKeyIndicators(pipPossible_);
  keyIndicators_->setObjectName("keyIndicators");
  controls->addWidget(keyIndicators_);
  if (const auto &keyClick = context_.Subsystems.PluginKeyClick)
    keyIndicators_->OnKeyClick(keyClick);
  controls->addStretch(1);
  controls->addWidget(volume_, 2);
  column->addLayout(controls);
  return area;
}

QWidget *TFormDvbMain::BuildInfoTabs() {
  infoTabs_ = new QTabWidget;
  infoTabs_->setObjectName("infoTabs");
  infoTabs_->addTab(new TFrameSatList(infoTabs_, context_), tr("Satellites"));
  infoTabs_->addTab(new TFrameChannelInfo(infoTabs_, context_), tr("Channel"));
  infoTabs_->setCurrentIndex(1);
  if (const auto &records = context_.Subsystems.RecordsTab) {
    recordsTab_ = records(infoTabs_);
    recordsTab_->setObjectName("recordsTab");
    infoTabs_->insertTab(0, recordsTab_, tr("Recordings"));
  }
  return infoTabs_;
}

void TFormDvbMain::InsertInfoTab(int position, QWidget *page, const QString &caption) {
  infoTabs_->insertTab(position, page, caption);
}

void TFormDvbMain::BuildStatusBar() {
  messageLine_ = new QLabel;
  messageLine_->setObjectName("messageLine");
  messageLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(messageLine_, 1);
  levelBar_ = SignalBar("levelBar", "Level %p%");
  qualityBar_ = SignalBar("qualityBar", "Quality %p%");
  lockPanel_ = new QLabel("Lock");
  lockPanel_->setObjectName("lockPanel");
  lockPanel_->setAlignment(Qt::AlignCenter);
  lockPanel_->setMinimumWidth(lockPanel_->fontMetrics().horizontalAdvance("Lock") * 2);
  statusBar()->addPermanentWidget(levelBar_);
  statusBar()->addPermanentWidget(qualityBar_);
  statusBar()->addPermanentWidget(lockPanel_);
  AddRecordsActiveButton();
}

// Enabled while anything records, its glyph blinking; it brings the recordings to front.
void TFormDvbMain::AddRecordsActiveButton() {
  if (!context_.Subsystems.RecActive || !recordsTab_)
    return;
  recordsActive_ = new QToolButton;
  recordsActive_->setObjectName("recordsActiveButton");
  recordsActive_->setToolTip(tr("Recordings are running"));
  recordsActive_->setAutoRaise(true);
  statusBar()->addPermanentWidget(recordsActive_);
  connect(recordsActive_, &QToolButton::clicked, this, [this] { ShowRecordsTab(); });
  connect(&blinkTimer_, &QTimer::timeout, this, [this] {
    const bool lit = recordsActive_->icon().isNull();
    recordsActive_->setIcon(lit ? style()->standardIcon(QStyle::SP_DialogNoButton) : QIcon());
  });
  ShowRecordsActive();
}

void TFormDvbMain::ShowRecordsActive() {
  if (!recordsActive_)
    return;
  const bool active = context_.Subsystems.RecActive();
  recordsActive_->setEnabled(active);
  recordsActive_->setIcon(active ? style()->standardIcon(QStyle::SP_DialogNoButton) : QIcon());
  if (active)
    blinkTimer_.start(kBlinkTick);
  else
    blinkTimer_.stop();
}

// The information area may have been folded away: it opens again.
void TFormDvbMain::ShowRecordsTab() {
  infoTabs_->setCurrentWidget(recordsTab_);
  auto *split = findChild<QSplitter *>("mainSplitter");
  QList<int> sizes = split->sizes();
  if (sizes.value(2) == 0) {
    sizes[2] = infoTabs_->sizeHint().width();
    sizes[1] = std::max(0, sizes[1] - sizes[2]);
    split->setSizes(sizes);
  }
}

void TFormDvbMain::StartTimers() {
  connect(&indicatorTimer_, &QTimer::timeout, this, [this] { keyIndicators_->Tick(); });
  indicatorTimer_.start(kIndicatorTick);
  connect(&secondTimer_, &QTimer::timeout, this, [this] {
    if (channelShown_)
      channelPanels_->Tick(NowUtc());
  });
  secondTimer_.start(kSecondTick);
}

void TFormDvbMain::SetDevice(const std::string &deviceName, const std::string &deviceInfo) {
  setWindowTitle(QString::fromStdString(MainWindowCaption(deviceName, deviceInfo)));
}

void TFormDvbMain::ShowMessageLine(const std::string &text, frame::LineColor color) {
  messageLine_->setStyleSheet(color == frame::LineColor::Red ? "color: red" : "color: blue");
  messageLine_->setText(QString::fromStdString(text));
}

QString TFormDvbMain::MessageLine() const { return messageLine_->text(); }

void TFormDvbMain::ShowSignal(int level, int quality, bool locked) {
  levelBar_->setValue(level);
  qualityBar_->setValue(quality);
  lockPanel_->setStyleSheet(locked ? "background: #2e9d3a; color: white"
                                   : "background: #c62828; color: white");
}

void TFormDvbMain::ShowProcessorLoad(int percent) {
  if (!loadBar_) {
    loadBar_ = SignalBar("processorLoadBar", "CPU %p%");
    statusBar()->addPermanentWidget(loadBar_);
  }
  loadBar_->setValue(std::clamp(percent, 0, 100));
}

void TFormDvbMain::AttachVideos(video::TVideoManager *videos) {
  videos_ = videos;
  RefreshVolume();
}

TFrameChanTree *TFormDvbMain::ChannelTree(int slot) const {
  return slot == 0 || slot == 1 ? trees_[slot] : nullptr;
}

bool TFormDvbMain::Execute(int message, std::intptr_t first, std::intptr_t second, bool repeat) {
  return commands_.Dispatch(message, first, second, repeat);
}

bool TFormDvbMain::HotkeysActive() const {
  return hotkeysActive_ && !QApplication::activeModalWidget();
}

// Notifications ------------------------------------------------------------------------------

void TFormDvbMain::Subscribe(bool on) {
  struct TEntry {
    int index;
    frame::NotifyHandler handler;
  };
  static constexpr TEntry kEntries[] = {
      {frame::kNotifyTunerStatus, THandlerOf<&TFormDvbMain::OnTunerStatus>::Call},
      {frame::kNotifyRecording, THandlerOf<&TFormDvbMain::OnRecording>::Call},
      {frame::kNotifyScheduledJobs, THandlerOf<&TFormDvbMain::OnScheduledJobs>::Call},
      {frame::kNotifySwitchProgress, THandlerOf<&TFormDvbMain::OnSwitchProgress>::Call},
      {frame::kNotifyVideoOutput, THandlerOf<&TFormDvbMain::OnVideoOutput>::Call},
      {frame::kNotifyPluginHost, THandlerOf<&TFormDvbMain::OnPluginHost>::Call},
      {frame::kNotifyMediaType, THandlerOf<&TFormDvbMain::OnMediaType>::Call},
  };
  if (on == subscribed_)
    return;
  subscribed_ = on;
  for (const TEntry &entry : kEntries) {
    if (on)
      context_.Hub.Add(entry.index, entry.handler, this);
    else
      context_.Hub.Remove(entry.index, entry.handler, this);
  }
}

void TFormDvbMain::OnGui(std::function<void()> work) {
  if (QThread::currentThread() == thread())
    work();
  else
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void TFormDvbMain::OnTunerStatus(std::intptr_t, std::intptr_t) {
  if (!context_.Signal)
    return;
  OnGui([this] {
    const device::TSignalDisplay signal = context_.Signal();
    ShowSignal(signal.level, signal.quality, signal.Lock() == device::TLampColor::Green);
  });
}

// A start brings the recordings to front.
void TFormDvbMain::OnRecording(std::intptr_t first, std::intptr_t) {
  OnGui([this, started = first == 1] {
    const auto &active = context_.Subsystems.RecSlotActive;
    actionBar_->ShowRecording(active && active(0));
    ShowRecordsActive();
    if (started && recordsTab_)
      infoTabs_->setCurrentWidget(recordsTab_);
  });
}

// The scheduler's tab comes to front when it exists. The pages are children of the tab
// widget's stack, not of the tab widget itself, so they are looked up by index.
void TFormDvbMain::OnScheduledJobs(std::intptr_t, std::intptr_t) {
  OnGui([this] {
    for (int i = 0; i < infoTabs_->count(); ++i) {
      if (infoTabs_->widget(i)->objectName() == "schedulerTab")
        infoTabs_->setCurrentIndex(i);
    }
  });
}

void TFormDvbMain::OnSwitchProgress(std::intptr_t first, std::intptr_t second) {
  const int slot = static_cast<int>(second);
  if (first == device::kSwitchBegins)
    OnGui([this, slot] { SwitchBegins(slot); });
  else if (first == device::kSwitchEnded)
    OnGui([this, slot] { SwitchEnded(slot); });
}

void TFormDvbMain::SwitchBegins(int slot) {
  if (slot == 0) {
    channelPanels_->ShowPending(context_.Engine.Slot(0).PendingChannel);
    channelShown_ = false;
  }
  // The trees are disabled while a switch runs; the focus returns to the tree that had it.
  QWidget *focus = QApplication::focusWidget();
  for (TFrameChanTree *tree : trees_) {
    if (!tree)
      continue;
    if (focus && tree->isAncestorOf(focus))
      focusBeforeSwitch_ = focus;
    tree->setEnabled(false);
  }
}

void TFormDvbMain::SwitchEnded(int slot) {
  for (TFrameChanTree *tree : trees_)
    if (tree)
      tree->setEnabled(true);
  if (focusBeforeSwitch_ && focusBeforeSwitch_->isEnabled())
    focusBeforeSwitch_->setFocus();
  focusBeforeSwitch_.clear();
  if (slot == 0) {
    channelPanels_->ShowProgramme(context_.Engine.Slot(0).CurrentChannel, NowUtc());
    channelShown_ = true;
    ShowTeletextAvailable();
  }
}

void TFormDvbMain::ShowTeletextAvailable() {
  const std::uint16_t pid = context_.Engine.Slot(0).CurrentChannel.TtxPid;
  actionBar_->ShowTeletextAvailable(pid >= 1 && pid <= 8190);
}

void TFormDvbMain::OnVideoOutput(std::intptr_t first, std::intptr_t second) {
  const int event = static_cast<int>(first >> 8);
  const int output = static_cast<int>(first & 0xFF);
  OnGui([this, event, output, second] { VideoEvent(event, output, second); });
}

void TFormDvbMain::VideoEvent(int event, int output, std::intptr_t value) {
  constexpr int kOpened = 1, kClosing = 2, kStateChanged = 3;
  if (event == kOpened && output == 0) {
    actionBar_->ShowAudioChannel();
    RefreshVolume();
  }
  if (output == 1 && (event == kOpened || event == kClosing))
    actionBar_->ShowPipOpen(event == kOpened);
  // A video embedded in this window needs the window on screen.
  if (event == kStateChanged && (value & 0xFF) == video::kEmbedded && (isHidden() || isMinimized()))
    ShowMainWindow(true);
  if (event == kStateChanged && output == 0)
    actionBar_->ShowVideoOff(context_.Options.General.Video0Disabled);
}

void TFormDvbMain::OnPluginHost(std::intptr_t first, std::intptr_t second) {
  constexpr int kSlotStatus = 3;
  if (first != kSlotStatus)
    return;
  OnGui([this, second] {
    keyIndicators_->SetStatus(static_cast<int>(second & 0xFF), second >= 256);
  });
}

// The description lives only while the handler runs: its text is taken here.
void TFormDvbMain::OnMediaType(std::intptr_t first, std::intptr_t second) {
  const int output = static_cast<int>(first >> 8);
  const int kind = static_cast<int>(first & 0xFF);
  if (output != 0 || (kind != 1 && kind != 2))
    return;
  const auto *type = reinterpret_cast<const video::TMediaType *>(second);
  std::string text = type ? MediaText(*type) : std::string();
  OnGui([this, kind, text = std::move(text)] { channelPanels_->SetMediaText(kind, text); });
}

// Commands -----------------------------------------------------------------------------------

void TFormDvbMain::StepChannel(int slot, int direction) {
  if (TFrameChanTree *tree = ChannelTree(slot))
    tree->StepChannel(direction);
}

int TFormDvbMain::Volume(int slot) {
  return videos_ ? videos_->Outputs().Settings(slot).Sound.Volume : 0;
}

void TFormDvbMain::SetVolume(int slot, int volume) {
  if (!videos_)
    return;
  videos_->Outputs().Settings(slot).Sound.Volume = volume;
  videos_->Outputs().ApplyVolume(slot);
  if (slot == 0)
    RefreshVolume();
}

void TFormDvbMain::ToggleMute(int slot) {
  if (!videos_)
    return;
  videos_->Outputs().ToggleMute(slot);
  if (slot == 0)
    RefreshVolume();
}

void TFormDvbMain::RefreshVolume() {
  if (!videos_)
    return;
  const video::TVideoVolume sound = videos_->Outputs().Settings(0).Sound;
  volume_->ShowVolume(sound.Volume, sound.Muted,
                      video::EffectiveVolume(sound.Volume, sound.Muted,
                                             context_.Options.General.ChanVolAdjust,
                                             context_.Engine.Slot(0).VolumeFactor));
}

bool TFormDvbMain::OutputOpen(int output) {
  return videos_ && videos_->Outputs().State(output) != video::kClosed;
}

// The channel of the slot-1 tree: the one chosen there, else the one it played last.
void TFormDvbMain::OpenPip() {
  if (!pipPossible_)
    return;
  const device::TSlotState &slot = context_.Engine.Slot(1);
  const std::int32_t handle = slot.SelectedHandle > 0  ? slot.SelectedHandle
                              : slot.CurrentHandle > 0 ? slot.CurrentHandle
                                                       : slot.PreviousHandle;
  if (handle > 0)
    context_.Engine.SwitchChannel(1, handle, true);
}

void TFormDvbMain::SetPip(bool open) {
  if (open)
    OpenPip();
  else
    SetVideoState(1, video::kClosed);
  actionBar_->ShowPipOpen(OutputOpen(1));
}

void TFormDvbMain::SetVideoState(int output, int request) {
  if (videos_)
    videos_->Outputs().SetVideoState(output, request, false);
}

// Pressed closes the main video and keeps it closed; released opens it embedded again.
void TFormDvbMain::SetVideoOff(bool off) {
  context_.Options.General.Video0Disabled = off;
  SetVideoState(0, off ? video::kClosed : video::kEmbedded);
  actionBar_->ShowVideoOff(off);
}

int TFormDvbMain::FocusedOutput() {
  if (!videos_)
    return kNoOutput;
  for (int i = 0; i < video::kVideoCount; ++i)
    if (videos_->Floating(i).isActiveWindow())
      return i;
  return videos_->MainPanelVideo();
}

int TFormDvbMain::PipOutput() { return videos_ ? videos_->Outputs().ActiveFloating() : kNoOutput; }

void TFormDvbMain::PipSelectNext() {
  if (!videos_)
    return;
  video::TVideoOutputs &outputs = videos_->Outputs();
  const int after = outputs.ActiveFloating() == video::kNoVideo ? video::kVideoCount - 1
                                                                : outputs.ActiveFloating();
  for (int step = 1; step <= video::kVideoCount; ++step) {
    const int i = (after + step) % video::kVideoCount;
    if (outputs.State(i) == video::kFloating || outputs.State(i) == video::kFullScreen) {
      outputs.Activate(i);
      videos_->Floating(i).Mark();
      return;
    }
  }
}

void TFormDvbMain::PipCyclePosition() {
  if (const int pip = PipOutput(); pip != kNoOutput)
    videos_->NextPresetPosition(pip);
}

void TFormDvbMain::PipCycleSize() {
  if (const int pip = PipOutput(); pip != kNoOutput)
    videos_->NextPresetSize(pip);
}

void TFormDvbMain::CloseMainWindow() { close(); }

void TFormDvbMain::AddActionWidget(QWidget *widget) { actionBar_->addWidget(widget); }

void TFormDvbMain::ClearSleepTimer() {
  if (context_.Subsystems.ClearSleepTimer)
    context_.Subsystems.ClearSleepTimer();
}

void TFormDvbMain::RecordToggleSlot0(bool ask) {
  const TUiSubsystems &recorder = context_.Subsystems;
  if (!recorder.RecStartChannel)
    return;
  if (recorder.RecSlotActive && recorder.RecSlotActive(0)) {
    if (recorder.RecStopSlot)
      recorder.RecStopSlot(0);
  } else if (context_.Engine.Slot(0).Playing()) {
    recorder.RecStartChannel(context_.Engine.Slot(0).CurrentChannel, 0, 0, ask);
  }
  actionBar_->ShowRecording(recorder.RecSlotActive && recorder.RecSlotActive(0));
}

void TFormDvbMain::ShowReception(int slot, bool audio, bool video) {
  keyIndicators_->ShowReception(slot, audio, video);
}

void TFormDvbMain::SubtitlePagesChanged() { actionBar_->ShowSubtitlePages(); }

// Keys, mouse, tray and close ----------------------------------------------------------------

bool TFormDvbMain::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress)
    return KeyPressed(watched, static_cast<QKeyEvent &>(*event));
  if (watched == videoPanel_ && event->type() == QEvent::MouseButtonDblClick)
    return VideoDoubleClicked(static_cast<QMouseEvent &>(*event));
  return QMainWindow::eventFilter(watched, event);
}

// A key given to any window of the program runs its command; the key is then used up. While a
// text field has the focus, in whichever window, keys stay text.
bool TFormDvbMain::KeyPressed(QObject *watched, QKeyEvent &key) {
  auto *widget = qobject_cast<QWidget *>(watched);
  if (!widget || !HotkeysActive() || TakesText(*widget))
    return false;
  if (const QWidget *focus = QApplication::focusWidget(); focus && TakesText(*focus))
    return false;
  const auto command = KeyCommand(KeyNameOf(key));
  if (!command)
    return false;
  if (IsPowerAction(command->Command))
    RunAction(static_cast<std::uint16_t>(command->Command), key.isAutoRepeat());
  else
    Execute(kCommandMessage, command->Command, command->Argument, key.isAutoRepeat());
  return true;
}

std::optional<TKeyCommand> TFormDvbMain::KeyCommand(const std::string &keyName) const {
  static const THotKeyTable kBuiltIn;
  const THotKeyTable &table = context_.HotKeys ? context_.HotKeys->Table() : kBuiltIn;
  if (const int row = table.FindByKey(keyName); row >= 0)
    return TKeyCommand{table.Rows()[row].ActionCode, 0};
  return DesktopKeyCommand(keyName);
}

// The remote's buttons come here unless the hotkey editor is open; the hotkey button opens it.
void TFormDvbMain::AttachHotKeys(bool attach) {
  if (!context_.HotKeys)
    return;
  if (!attach) {
    context_.HotKeys->SetRemoteHandler({});
    return;
  }
  context_.HotKeys->SetRemoteHandler(
      [this](const std::string &button, int repeat) { RemoteButton(button, repeat); });
  if (hotKeysButton_)
    return;
  hotKeysButton_ = new QToolButton;
  hotKeysButton_->setObjectName("hotKeysButton");
  hotKeysButton_->setText(tr("Hotkeys"));
  hotKeysButton_->setToolTip(tr("Keys and remote control buttons of the actions"));
  connect(hotKeysButton_, &QToolButton::clicked, this,
          [this] { OpenHotKeysEditor(*context_.HotKeys, this); });
  AddActionWidget(hotKeysButton_);
}

// Runs at once: the first press of an assigned button, and the repeats of the volume.
void TFormDvbMain::RemoteButton(const std::string &button, int repeat) {
  if (!context_.HotKeys)
    return;
  if (const auto action = RemoteAction(context_.HotKeys->Table(), button, repeat))
    RunAction(*action, repeat > 0);
}

// The power actions run only from keys and buttons the user gave them (the built-in table has
// none); as commands of the window they do nothing, so no other sender can power off.
void TFormDvbMain::RunAction(std::uint16_t action, bool repeat) {
  if (!IsPowerAction(action)) {
    Execute(kCommandMessage, action, 0, repeat);
    return;
  }
  if (!repeat && context_.Subsystems.PowerAction)
    context_.Subsystems.PowerAction(action);
}

// With the zones on, the upper half floats the video and the lower half makes it full screen.
bool TFormDvbMain::VideoDoubleClicked(QMouseEvent &mouse) {
  if (!videos_)
    return false;
  const bool upper = mouse.position().y() < videoPanel_->height() / 2.0;
  const bool zones = context_.Options.General.VideoDblClickZo;
  SetVideoState(videos_->MainPanelVideo(), zones && upper ? video::kFloating : video::kFullScreen);
  return true;
}

bool TFormDvbMain::TrayAvailable() const {
  return trayAvailable_ ? trayAvailable_() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TFormDvbMain::ShowTray(bool show) {
  if (!show) {
    if (tray_)
      tray_->hide();
    return;
  }
  if (!tray_) {
    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName("trayIcon");
    tray_->setIcon(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                         : windowIcon());
    tray_->setToolTip(windowTitle());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason != QSystemTrayIcon::DoubleClick)
                return;
              SetVideoState(0, video::kEmbedded);
              ShowMainWindow(true);
            });
  }
  tray_->show();
}

void TFormDvbMain::ShowMainWindow(bool show) {
  if (show) {
    ShowTray(false);
    if (isMinimized())
      showNormal();
    else
      this->show();
    raise();
    activateWindow();
    return;
  }
  if (!TrayAvailable()) {
    // Hidden without a tray icon the window could not be brought back.
    if (!isMinimized())
      showMinimized();
    return;
  }
  ShowTray(true);
  hide();
}

void TFormDvbMain::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized())
    return;
  if (context_.Options.General.MinimizeToTray && TrayAvailable())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized())
        ShowMainWindow(false);
    });
}

void TFormDvbMain::closeEvent(QCloseEvent *event) {
  if (frame::Operations().Busy()) {
    event->ignore();
    frame::Operations().WhenIdle([window = QPointer<TFormDvbMain>(this)] {
      if (window)
        window->close();
    });
    return;
  }
  if (closeRequested_())
    event->accept();
  else
    event->ignore();
}

} // namespace qev::ui
