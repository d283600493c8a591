#include "si/qt/form_sat_scanner.h"

#include "data/qt/transponder_actions.h"
#include "data/sat_list.h"
#include "frame/log.h"
#include "frame/message_boxes.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "si/qt/wait_dialog.h"
#include "si/scan_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <fmt/format.h>

#include <array>
#include <utility>

namespace qev::si {

namespace {

constexpr int kLampCount = 5;
constexpr const char *kLampNames[kLampCount] = {"Signal", "Carrier", "Viterbi", "Sync", "Lock"};

template <typename Widget, typename... Args> Widget *Named(const char *name, Args &&...args) {
  auto *widget = new Widget(std::forward<Args>(args)...);
  widget->setObjectName(name);
  return widget;
}

QString Text(const std::string &text) { return QString::fromStdString(text); }

QIcon LevelIcon(TScanLevel level) {
  switch (level) {
  case TScanLevel::Success:
    return QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
  case TScanLevel::Information:
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
  case TScanLevel::Warning:
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
  case TScanLevel::Error:
    break;
  }
  return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
}

void SetRed(QWidget &widget, bool red) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Text, red ? Qt::red : QApplication::palette().color(QPalette::Text));
  widget.setPalette(palette);
}

// Calls the work on the user-interface thread, later when called from another.
void OnGui(QObject &owner, std::function<void()> work) {
  QMetaObject::invokeMethod(&owner, std::move(work), Qt::QueuedConnection);
}

// Removes the selected line on Delete.
class TDeleteKeyFilter : public QObject {
public:
  TDeleteKeyFilter(QObject *parent, std::function<void()> remove)
      : QObject(parent), remove_(std::move(remove)) {}

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
      remove_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

private:
  std::function<void()> remove_;
};

} // namespace

QString ScannerTitle(const data::TSatRec &sat) {
  return Text(kScannerTitle + data::PositionText(sat.SatPos) + ") " + data::SatName(sat));
}

class TFormSatScanner::TImpl final : public IScanView {
public:
  TImpl(TFormSatScanner &form, TScannerWindowLinks links, TScanSatellite satellite,
        std::optional<data::TTransponder> one)
      : form_(form), links_(std::move(links)), engine_(links_.Scan, *this, std::move(satellite)),
        one_(one) {
    form.setWindowTitle(ScannerTitle(engine_.Satellite().Sat));
    auto *layout = new QHBoxLayout(&form);
    layout->setMenuBar(MenuBar());
    lists_ = ListsPanel();
    layout->addWidget(lists_);
    layout->addLayout(WorkPanel(), 1);
    if (one_) {
      lists_->hide();
      engine_.SetCurrent(*one_);
    }
    ShowCurrent(engine_.Current(), false);
    RefreshTransponders();
    RefreshBlind();
    ShowRunning(false);
    Subscribe(true);
    ShowSignal();
  }
  ~TImpl() override { Subscribe(false); }

  TScanEngine &Engine() { return engine_; }

  // False while a run has to end first; the form closes once it has.
  bool CanClose() {
    if (busy_) {
      closeWhenStopped_ = true;
      engine_.Abort();
      return false;
    }
    engine_.Close(); // shows what could not be saved
    return true;
  }

  // IScanView ----------------------------------------------------------------------------------

  void ScanStatus(const std::string &text) override { status_->setText(Text(text)); }
  void ScanProgress(int position, int total) override {
    progress_->setVisible(total > 0);
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(position);
  }
  void ScanRunning(bool running) override { ShowRunning(running); }
  void ScanLogged(const std::string &, const TScanMessage &) override { RefreshLogLater(); }
  void ScanCurrent(const data::TTransponder &tp, bool tuning) override {
    ShowCurrent(tp, tuning);
    if (!tuning)
      ShowSignal(); // what the tune ended with, also while the status monitor is paused
  }
  void ScanChannelCount(int accumulated) override {
    channels_->setText(QString::number(accumulated) + " channels");
  }
  void ScanElapsed(int seconds) override { elapsed_->setText(QString::number(seconds) + " s"); }
  void ScanPendingJobs(int pending) override { pending_->setText(QString::number(pending)); }
  void ScanBlindChanged() override { RefreshBlind(); }
  void ScanNewServices(const std::vector<data::TChannelRec> &records) override {
    newServices_ = records;
    services_->clear();
    for (const data::TChannelRec &rec : newServices_) {
      auto *item = new QListWidgetItem(Text(data::ChName(rec)), services_);
      if (links_.ChannelIcon)
        item->setIcon(links_.ChannelIcon(rec));
    }
  }
  void ScanUpdateEnabled(bool enabled) override { update_->setEnabled(enabled); }

private:
  // Building ------------------------------------------------------------------------------------

  template <typename Action>
  QPushButton *Button(const char *name, const QString &caption, Action action) {
    auto *button = Named<QPushButton>(name, caption, &form_);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, &form_, action);
    return button;
  }
  template <typename Action>
  QAction *Item(QMenu &menu, const char *name, const QString &caption, Action action) {
    QAction *item = menu.addAction(caption);
    item->setObjectName(name);
    QObject::connect(item, &QAction::triggered, &form_, action);
    return item;
  }

  QMenuBar *MenuBar() {
    auto *bar = Named<QMenuBar>("ScannerMenu", &form_);
    QMenu *scan = bar->addMenu("&Scan");
    Item(*scan, "ScanTransponderItem", "Scan transponder", [this] { Deferred(&TImpl::ScanOne); });
    saveOver_ = Item(*scan, "SaveOverItem", "Save over", [this] { Merge(true); });
    if (!one_)
      SourcesMenu(*bar->addMenu("&Transponders"));
    return bar;
  }

  void SourcesMenu(QMenu &menu) {
    Item(menu, "NitSourceItem", "From NIT", [this] { Deferred(&TImpl::AddFromNit); });
    Item(menu, "NetworkNameItem", "Network name", [this] { Deferred(&TImpl::ShowNetworkName); });
    Item(menu, "IniSourceItem", "From INI file...", [this] { Deferred(&TImpl::AddFromIniFile); });
    sdxSource_ = Item(menu, "SdxSourceItem", "From SATCODX", [this] {
      AddFrom(Sources().FromSdx(engine_.Satellite().Sdx, data::SatName(engine_.Satellite().Sat)));
    });
    sdxSource_->setEnabled(!engine_.Satellite().Sdx.Items.empty());
    if (!links_.Download)
      return;
    std::string error;
    webSources_ = LoadWebUpdTp(links_.WebSourcesFile, error);
    if (!error.empty())
      frame::Log(error);
    if (!webSources_.empty())
      menu.addSeparator();
    for (std::size_t i = 0; i < webSources_.size(); ++i) {
      QAction *item = Item(menu, "WebSourceItem", Text(webSources_[i].Caption), [this, i] {
        Deferred([this, i] {
          AddFrom(Sources().FromWeb(webSources_[i], engine_.Satellite().Sat.SatPos));
        });
      });
      // The program's client speaks plain http only; say so instead of failing later.
      if (NeedsHttps(webSources_[i])) {
        item->setText(item->text() + kNeedsHttpsSuffix);
        item->setEnabled(false);
      }
    }
  }

  QWidget *ListsPanel() {
    auto *panel = Named<QWidget>("ListsPanel", &form_);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    transponders_ = Named<QTreeWidget>("TransponderList", panel);
    transponders_->setColumnCount(3);
    transponders_->setHeaderLabels({"Frequency", "Pol", "SRate"});
    transponders_->setRootIsDecorated(false);
    QObject::connect(transponders_, &QTreeWidget::itemChanged, &form_,
                     [this](QTreeWidgetItem *item) { MarkChanged(*item); });
    QObject::connect(transponders_, &QTreeWidget::itemDoubleClicked, &form_,
                     [this](QTreeWidgetItem *item) {
                       const int row = transponders_->indexOfTopLevelItem(item);
                       Deferred([this, row] { TuneRow(row); });
                     });
    data::InstallTransponderActions(
        *transponders_,
        {[this]() -> data::TSatTransponders & { return engine_.Satellite().Transponders; },
         [this]() -> const std::vector<data::TTransponder> & { return engine_.Satellite().Blind; },
         [this] { return engine_.Warnings(); }, [this] { return int{engine_.Satellite().Sat.SatPos}; },
         [this] { RefreshTransponders(); }});
    tpCount_ = Named<QLabel>("TransponderCount", panel);
    scanAll_ = Button("ScanAllButton", "Scan all", [this] { Deferred(&TImpl::ScanMarked); });
    signalTest_ =
        Button("SignalTestButton", "Signal test", [this] { Deferred(&TImpl::SignalTest); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(scanAll_);
    buttons->addWidget(signalTest_);
    column->addWidget(transponders_, 3);
    column->addWidget(tpCount_);
    column->addLayout(buttons);

    blind_ = Named<QListWidget>("BlindList", panel);
    blind_->installEventFilter(new TDeleteKeyFilter(blind_, [this] { DeleteBlindLine(); }));
    blindCount_ = Named<QLabel>("BlindCount", panel);
    column->addWidget(blind_, 1);
    column->addWidget(blindCount_);
    return panel;
  }

  QLayout *WorkPanel() {
    auto *column = new QVBoxLayout;
    column->addWidget(CurrentBox());
    column->addWidget(SignalBox());
    column->addLayout(RunRow());
    services_ = Named<QListWidget>("NewServicesList", &form_);
    QObject::connect(services_, &QListWidget::itemDoubleClicked, &form_,
                     [this](QListWidgetItem *item) { ShowService(services_->row(item)); });
    column->addWidget(services_, 1);
    logTabs_ = Named<QTabWidget>("LogTabs", &form_);
    column->addWidget(logTabs_, 2);
    return column;
  }

  QGroupBox *CurrentBox() {
    auto *box = new QGroupBox("Transponder", &form_);
    auto *grid = new QGridLayout(box);
    freq_ = Named<QLineEdit>("FreqEdit", box);
    polar_ = Named<QComboBox>("PolarBox", box);
    polar_->addItems({"H", "V"});
    srate_ = Named<QLineEdit>("SRateEdit", box);
    lockWait_ = Named<QSpinBox>("LockWaitEdit", box);
    lockWait_->setRange(0, 65535);
    lockWait_->setValue(engine_.LockWaitMs());
    QObject::connect(lockWait_, &QSpinBox::valueChanged, &form_,
                     [this](int ms) { engine_.SetLockWaitMs(static_cast<std::uint16_t>(ms)); });
    setTuner_ = Button("SetTunerButton", "Set tuner", [this] { Deferred(&TImpl::SetTuner); });
    grid->addWidget(new QLabel("Frequency", box), 0, 0);
    grid->addWidget(freq_, 1, 0);
    grid->addWidget(new QLabel("Pol", box), 0, 1);
    grid->addWidget(polar_, 1, 1);
    grid->addWidget(new QLabel("SRate", box), 0, 2);
    grid->addWidget(srate_, 1, 2);
    grid->addWidget(new QLabel("Lock wait", box), 0, 3);
    grid->addWidget(lockWait_, 1, 3);
    grid->addWidget(setTuner_, 1, 4);
    return box;
  }

  QGroupBox *SignalBox() {
    auto *box = new QGroupBox("Signal", &form_);
    auto *grid = new QGridLayout(box);
    level_ = Named<QProgressBar>("LevelBar", box);
    quality_ = Named<QProgressBar>("QualityBar", box);
    grid->addWidget(level_, 0, 0, 1, kLampCount);
    grid->addWidget(quality_, 1, 0, 1, kLampCount);
    for (int i = 0; i < kLampCount; ++i) {
      lamps_[static_cast<std::size_t>(i)] = Named<QLabel>(kLampNames[i], kLampNames[i], box);
      lamps_[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignCenter);
      grid->addWidget(lamps_[static_cast<std::size_t>(i)], 2, i);
    }
    return box;
  }

  QLayout *RunRow() {
    auto *row = new QHBoxLayout;
    if (one_)
      row->addWidget(Button("ScanButton", "Scan", [this] { Deferred(&TImpl::ScanOne); }));
    update_ = Button("UpdateButton", "Update", [this] { Merge(false); });
    abort_ = Button("AbortButton", "Abort", [this] { engine_.Abort(); });
    progress_ = Named<QProgressBar>("ScanProgress", &form_);
    progress_->setFormat("%v/%m");
    status_ = Named<QLabel>("StatusLabel", &form_);
    channels_ = Named<QLabel>("ChannelCount", &form_);
    elapsed_ = Named<QLabel>("ElapsedLabel", &form_);
    pending_ = Named<QLabel>("PendingLabel", &form_);
    for (QWidget *widget : std::initializer_list<QWidget *>{update_, abort_, progress_, status_,
                                                            channels_, elapsed_, pending_})
      row->addWidget(widget);
    row->setStretchFactor(status_, 1);
    update_->setEnabled(false);
    return row;
  }

  // Running -------------------------------------------------------------------------------------

  // Runs the work after the click that asked for it has been handled, so the click returns
  // while the scan keeps the window alive. The engine's waits pump messages: a click meanwhile
  // starts nothing, and a close waits until the work is over, since it would take the engine
  // from under it.
  void Deferred(std::function<void()> work) {
    OnGui(form_, [this, work = std::move(work)] {
      if (busy_)
        return;
      busy_ = true;
      work();
      busy_ = false;
      if (closeWhenStopped_)
        OnGui(form_, [this] { form_.close(); });
    });
  }
  void Deferred(void (TImpl::*work)()) {
    Deferred(std::function<void()>([this, work] { (this->*work)(); }));
  }

  void ScanMarked() { engine_.ScanRun(false); }
  void SignalTest() { engine_.SignalCheckRun(); }
  void ScanOne() {
    TakeInputs();
    engine_.ScanRun(true);
  }
  void SetTuner() {
    TakeInputs();
    engine_.ScanTune(true);
  }
  void TuneRow(int row) {
    if (row < 0)
      return;
    engine_.SetCurrent(engine_.Satellite().Transponders.TpGet(row));
    ShowCurrent(engine_.Current(), false);
    engine_.ScanTune(true);
  }
  void TakeInputs() {
    if (one_)
      return;
    engine_.SetCurrent(data::MakeTransponder(data::NumberOr0(freq_->text().toStdString()),
                                             polar_->currentText().toStdString().front(),
                                             data::NumberOr0(srate_->text().toStdString())));
  }
  void Merge(bool replace) {
    if (busy_)
      return;
    engine_.ScanMerge(replace);
    update_->setEnabled(engine_.HasUnmerged());
  }

  void ShowRunning(bool running) {
    lists_->setEnabled(!running);
    setTuner_->setEnabled(!running);
    abort_->setVisible(running);
    saveOver_->setEnabled(!running);
    if (!running) {
      progress_->hide();
      RefreshTransponders();
      RefreshLogLater();
    }
  }

  void ShowCurrent(const data::TTransponder &tp, bool tuning) {
    freq_->setText(tp.TpFreq ? QString::number(tp.TpFreq) : QString());
    if (const char polar = data::TpPolar(tp))
      polar_->setCurrentText(QString(QChar(polar)));
    srate_->setText(tp.TpSRate ? QString::number(tp.TpSRate) : QString());
    for (QWidget *input : std::initializer_list<QWidget *>{freq_, polar_, srate_})
      SetRed(*input, tuning);
  }

  // Lists ---------------------------------------------------------------------------------------

  void RefreshTransponders() {
    const data::TSatTransponders &list = engine_.Satellite().Transponders;
    const QSignalBlocker block(transponders_);
    transponders_->clear();
    for (const data::TTransponder &tp : list.Items()) {
      auto *item = new QTreeWidgetItem(transponders_, {QString::number(tp.TpFreq),
                                                       QString(QChar(data::TpPolar(tp))),
                                                       QString::number(tp.TpSRate)});
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, tp.TpMarked ? Qt::Checked : Qt::Unchecked);
    }
    ShowMarkedCount();
  }

  void MarkChanged(QTreeWidgetItem &item) {
    const int row = transponders_->indexOfTopLevelItem(&item);
    engine_.Satellite().Transponders.TpSetMarked(row, item.checkState(0) == Qt::Checked);
    ShowMarkedCount();
  }

  void ShowMarkedCount() {
    const data::TSatTransponders &list = engine_.Satellite().Transponders;
    tpCount_->setText(QString("%1/%2 transponders").arg(list.MarkedCount()).arg(list.Count()));
    scanAll_->setEnabled(list.MarkedCount() > 0);
    signalTest_->setEnabled(list.MarkedCount() > 0);
  }

  void RefreshBlind() {
    const std::vector<data::TTransponder> &blind = engine_.Satellite().Blind;
    blind_->clear();
    for (const data::TTransponder &tp : blind)
      blind_->addItem(Text(data::TpText(tp)));
    blindCount_->setText(QString::number(blind.size()) + " without signal");
  }

  void DeleteBlindLine() {
    const int row = blind_->currentRow();
    std::vector<data::TTransponder> &blind = engine_.Satellite().Blind;
    if (row < 0 || row >= static_cast<int>(blind.size()))
      return;
    blind.erase(blind.begin() + row);
    RefreshBlind();
    blind_->setCurrentRow(std::min(row, blind_->count() - 1));
  }

  void ShowService(int row) {
    if (!links_.EditChannel || row < 0 || row >= static_cast<int>(newServices_.size()))
      return;
    data::TChannelRec copy = newServices_[static_cast<std::size_t>(row)];
    links_.EditChannel(copy);
  }

  // Sources -------------------------------------------------------------------------------------

  TTpSources Sources(TTableWait wait = {}) {
    return TTpSources({links_.Scan.Filters, links_.Scan.Options.Scanning, std::move(wait),
                       links_.Scan.KeepAlive, links_.Download, links_.Synchronise},
                      engine_.Satellite().Transponders);
  }

  // The NIT of the tuned transponder, read while the wait shows the seconds left.
  void AddFromNit() {
    TWaitDialog wait(&form_);
    const std::optional<int> added = Sources(wait.Callback()).FromNit();
    wait.hide();
    AddFrom(added);
  }
  void ShowNetworkName() {
    TWaitDialog wait(&form_);
    const std::optional<std::string> name = Sources(wait.Callback()).NetworkName();
    wait.hide();
    if (name)
      frame::ShowInformation(*name);
  }

  void AddFrom(std::optional<int> added) {
    status_->clear();
    // A synchronisation may replace entries without changing their number.
    if (added)
      RefreshTransponders();
  }

  void AddFromIniFile() {
    const QString file = QFileDialog::getOpenFileName(
        &form_, "Transponder list", Text(links_.TransponderFolder.string()), "*.ini");
    if (!file.isEmpty())
      AddFrom(Sources().FromIniFile(file.toStdString()));
  }

  // Log -----------------------------------------------------------------------------------------

  // The engine adds a message to its log around the call that reports it; the pages follow
  // the log once that call is over.
  void RefreshLogLater() {
    if (logRefreshPending_)
      return;
    logRefreshPending_ = true;
    OnGui(form_, [this] {
      logRefreshPending_ = false;
      RefreshLog();
    });
  }

  void RefreshLog() {
    const std::vector<TScanLog::TPage> &pages = engine_.Log().Pages();
    while (logTabs_->count() > static_cast<int>(pages.size()))
      delete logTabs_->widget(logTabs_->count() - 1);
    for (std::size_t i = 0; i < pages.size(); ++i)
      ShowPage(static_cast<int>(i), pages[i]);
  }

  void ShowPage(int index, const TScanLog::TPage &page) {
    if (index >= logTabs_->count())
      logTabs_->addTab(NewPage(index), QString());
    auto *list = static_cast<QListWidget *>(logTabs_->widget(index));
    const int shown =
        list->property("category").toString() == Text(page.Category) ? list->count() : 0;
    if (shown == 0)
      list->clear();
    list->setProperty("category", Text(page.Category));
    if (shown > static_cast<int>(page.Messages.size()))
      list->clear();
    for (std::size_t i = static_cast<std::size_t>(list->count()); i < page.Messages.size(); ++i)
      new QListWidgetItem(LevelIcon(page.Messages[i].Level), Text(page.Messages[i].Text), list);
    if (list->count() > 0)
      list->setCurrentRow(list->count() - 1);
    logTabs_->setTabText(index, Text(ScanPageTitle(page)));
  }

  QListWidget *NewPage(int index) {
    auto *list = Named<QListWidget>("LogPage", logTabs_);
    auto *menu = new QMenu(list);
    Item(*menu, "CopyLogItem", "Copy to clipboard", [this, index] { CopyPage(index); });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, menu,
                     [list, menu](const QPoint &at) { menu->popup(list->mapToGlobal(at)); });
    return list;
  }

  void CopyPage(int index) {
    const std::vector<TScanLog::TPage> &pages = engine_.Log().Pages();
    if (index < 0 || index >= static_cast<int>(pages.size()))
      return;
    const QString text = Text(ScanPageText(pages[static_cast<std::size_t>(index)]));
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard)
      clipboard->setText(text);
    if (!clipboard || clipboard->text() != text)
      frame::ShowError(kClipboardError);
  }

  // Tuner status --------------------------------------------------------------------------------

  void Subscribe(bool on) {
    frame::TNotificationHub *hub = links_.Scan.Hub;
    if (!hub || !links_.Signal)
      return;
    constexpr frame::NotifyHandler kHandler = frame::MethodHandler<TImpl, &TImpl::OnTunerStatus>;
    if (on)
      hub->Add(frame::kNotifyTunerStatus, kHandler, this);
    else
      hub->Remove(frame::kNotifyTunerStatus, kHandler, this);
  }

  // Any thread: the status thread notifies from its own.
  void OnTunerStatus(std::intptr_t, std::intptr_t) {
    OnGui(form_, [this] { ShowSignal(); });
  }

  void ShowSignal() {
    const device::TSignalDisplay signal =
        links_.Signal ? links_.Signal() : device::TSignalDisplay{};
    level_->setValue(signal.level);
    quality_->setValue(signal.quality);
    for (std::size_t i = 0; i < lamps_.size(); ++i) {
      const bool green = signal.lamps[i] == device::TLampColor::Green;
      lamps_[i]->setStyleSheet(green ? "background: #2c2; color: black"
                                     : "background: #c22; color: white");
    }
  }

  TFormSatScanner &form_;
  TScannerWindowLinks links_;
  TScanEngine engine_;
  const std::optional<data::TTransponder> one_;
  std::vector<TWebTpSource> webSources_;
  std::vector<data::TChannelRec> newServices_;
  bool busy_ = false;
  bool closeWhenStopped_ = false;
  bool logRefreshPending_ = false;

  QWidget *lists_ = nullptr;
  QTreeWidget *transponders_ = nullptr;
  QLabel *tpCount_ = nullptr;
  QPushButton *scanAll_ = nullptr;
  QPushButton *signalTest_ = nullptr;
  QListWidget *blind_ = nullptr;
  QLabel *blindCount_ = nullptr;
  QAction *saveOver_ = nullptr;
  QAction *sdxSource_ = nullptr;
  QLineEdit *freq_ = nullptr;
  QComboBox *polar_ = nullptr;
  QLineEdit *srate_ = nullptr;
  QSpinBox *lockWait_ = nullptr;
  QPushButton *setTuner_ = nullptr;
  QProgressBar *level_ = nullptr;
  QProgressBar *quality_ = nullptr;
  std::array<QLabel *, kLampCount> lamps_{};
  QPushButton *update_ = nullptr;
  QPushButton *abort_ = nullptr;
  QProgressBar *progress_ = nullptr;
  QLabel *status_ = nullptr;
  QLabel *channels_ = nullptr;
  QLabel *elapsed_ = nullptr;
  QLabel *pending_ = nullptr;
  QListWidget *services_ = nullptr;
  QTabWidget *logTabs_ = nullptr;
};

TFormSatScanner::TFormSatScanner(QWidget *owner, TScannerWindowLinks links,
                                 TScanSatellite satellite, std::optional<data::TTransponder> one)
    : QDialog(owner) {
  impl_ = std::make_unique<TImpl>(*this, std::move(links), std::move(satellite), one);
  resize(900, 640);
}

TFormSatScanner::~TFormSatScanner() = default;

TScanEngine &TFormSatScanner::Engine() { return impl_->Engine(); }

void TFormSatScanner::reject() {
  if (impl_->CanClose())
    QDialog::reject();
}

namespace {

bool ShowModal(TFormSatScanner &form) {
  form.exec();
  return form.Engine().Saved();
}

} // namespace

bool ScannerOpen(QWidget *owner, TScannerWindowLinks links, TScanSatellite satellite) {
  TFormSatScanner form(owner, std::move(links), std::move(satellite));
  return ShowModal(form);
}

bool ScannerOpenOne(QWidget *owner, TScannerWindowLinks links, TScanSatellite satellite,
                    const data::TTransponder &tp) {
  TFormSatScanner form(owner, std::move(links), std::move(satellite), tp);
  return ShowModal(form);
}

} // namespace qev::si
