#include "diagnostics/qt/form_bitrate_viewer.h"

#include "data/code_tables.h"
#include "diagnostics/packet_source.h"
#include "diagnostics/qt/hist_scope.h"
#include "frame/message_boxes.h"
#include "ui/qt/image_list.h"

#include <fmt/format.h>

#include <QHBoxLayout>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::diagnostics {

namespace {

constexpr int kTickMs = 1000;
constexpr int kLegendStep = 10;
constexpr const char *kNoStream = "No stream selected...";
constexpr std::uint32_t kPalette[] = {0xFFFF00, 0x00FFFF, 0x00FF00, 0xFFFFFF,
                                      0xFF00FF, 0x808000, 0x0000FF, 0x800000};

THistScope *MakeChart(const char *name) {
  auto *chart = new THistScope;
  chart->setObjectName(name);
  chart->Model().AutoUpdate = false;
  chart->ApplyTimer();
  chart->setMinimumHeight(110);
  return chart;
}

} // namespace

std::uint32_t ChartPalette(int index) { return kPalette[((index % 8) + 8) % 8]; }

TFormBitrateViewer::TFormBitrateViewer(TPacketSource &source, const data::TChannelRec &channel,
                                       QWidget *parent)
    : QDialog(parent), source_(source), meter_(channel) {
  setObjectName("bitrateViewer");
  setWindowTitle(QString::fromStdString("Bitrate Viewer: " + data::ChName(channel)));
  videoChart_ = MakeChart("videoChart");
  audioChart_ = MakeChart("audioChart");
  for (std::size_t i = 0; i < meter_.Entries().size(); ++i) {
    const TBitrateEntry &entry = meter_.Entries()[i];
    THistScope &chart = entry.IsVideo() ? *videoChart_ : *audioChart_;
    TDataChannel &c = chart.Model().AddChannel();
    c.AutoScale = true;
    c.LegendLine = 0;
    c.Visible = false;
    c.OnDataFeed = [this, i] { return meter_.Entries()[i].CurrentRate; };
    chartChannels_.push_back(&c);
  }
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(videoChart_, 1);
  layout->addWidget(audioChart_, 1);
  auto *bottom = new QHBoxLayout;
  list_ = new QTreeWidget;
  list_->setObjectName("streamList");
  list_->setHeaderLabels({"PID", "Average"});
  list_->setRootIsDecorated(false);
  list_->setMaximumHeight(120);
  BuildList();
  bottom->addWidget(list_, 1);

  auto *buttons = new QVBoxLayout;
  start_ = new QToolButton;
  start_->setObjectName("startButton");
  start_->setText(tr("Start"));
  start_->setPopupMode(QToolButton::MenuButtonPopup);
  auto *menu = new QMenu(start_);
  for (const int minutes : {1, 2, 5, 10, 30})
    menu->addAction(tr("%n minute(s)", nullptr, minutes), this,
                    [this, minutes] { StartRun(minutes * 60); });
  start_->setMenu(menu);
  connect(start_, &QToolButton::clicked, this, [this] { StartRun(0); });
  stop_ = new QPushButton(tr("Stop"));
  stop_->setObjectName("stopButton");
  connect(stop_, &QPushButton::clicked, this, &TFormBitrateViewer::StopRun);
  reset_ = new QPushButton(tr("Reset"));
  reset_->setObjectName("resetButton");
  connect(reset_, &QPushButton::clicked, this, [this] {
    ResetCharts();
    RefreshList();
  });
  auto *exportButton = new QPushButton(tr("Export"));
  exportButton->hide();
  progress_ = new QProgressBar;
  progress_->setObjectName("runProgress");
  progress_->hide();
  for (QWidget *w :
       std::initializer_list<QWidget *>{start_, stop_, reset_, exportButton, progress_})
    buttons->addWidget(w);
  buttons->addStretch();
  bottom->addLayout(buttons);
  layout->addLayout(bottom);
  ShowRunning(false);
  connect(&timer_, &QTimer::timeout, this, &TFormBitrateViewer::Tick);
  resize(520, 480);
}

TFormBitrateViewer::~TFormBitrateViewer() { StopFilters(); }

std::int64_t TFormBitrateViewer::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               epoch_)
      .count();
}

void TFormBitrateViewer::BuildList() {
  for (const TBitrateEntry &entry : meter_.Entries()) {
    auto *item = new QTreeWidgetItem(list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, entry.Ticked ? Qt::Checked : Qt::Unchecked);
    item->setIcon(0, ui::ImageListIcon(data::EsKindIcon(entry.Kind)));
  }
  connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
    const int i = list_->indexOfTopLevelItem(item);
    if (i >= 0)
      meter_.Entries()[static_cast<std::size_t>(i)].Ticked = item->checkState(0) == Qt::Checked;
  });
  RefreshList();
}

void TFormBitrateViewer::RefreshList() {
  const QSignalBlocker quiet(list_);
  for (std::size_t i = 0; i < meter_.Entries().size(); ++i) {
    const TBitrateEntry &entry = meter_.Entries()[i];
    QTreeWidgetItem *item = list_->topLevelItem(static_cast<int>(i));
    item->setText(0, QString::fromStdString(fmt::format("{:04X}", entry.Pid)));
    item->setText(1, QString::number(entry.AverageRate));
  }
}

void TFormBitrateViewer::ShowRunning(bool running) {
  start_->setEnabled(!running);
  reset_->setEnabled(!running);
  list_->setEnabled(!running);
  stop_->setEnabled(running);
}

void TFormBitrateViewer::ResetCharts() {
  for (std::size_t i = 0; i < chartChannels_.size(); ++i) {
    TDataChannel &c = *chartChannels_[i];
    c.Clear();
    c.Visible = false;
    c.LegendText = RunningLegend(meter_.Entries()[i]);
  }
  meter_.ResetCounters(NowMs());
  videoChart_->update();
  audioChart_->update();
}

// The i-th channel of a chart takes the i-th colour (the audio chart's shifted by one); the
// k-th visible one its legend k lines lower.
void TFormBitrateViewer::ColourCharts() {
  for (auto [chart, shift] : {std::pair{videoChart_, 0}, std::pair{audioChart_, 1}}) {
    int visible = 0;
    for (std::size_t i = 0; i < chart->Model().ChannelCount(); ++i) {
      TDataChannel &c = chart->Model().Channel(i);
      c.Color = ChartPalette(static_cast<int>(i) + shift);
      if (c.Visible)
        c.LegendOfsY = kLegendStep * visible++;
    }
  }
}

void TFormBitrateViewer::StartRun(int ticks) {
  if (!meter_.AnyTicked()) {
    frame::ShowWarning(kNoStream);
    return;
  }
  progress_->setVisible(ticks > 0);
  progress_->setRange(0, ticks);
  progress_->setValue(ticks);
  ShowRunning(true);
  ResetCharts();
  for (std::size_t i = 0; i < meter_.Entries().size(); ++i) {
    TBitrateEntry &entry = meter_.Entries()[i];
    if (!entry.Ticked)
      continue;
    entry.Filter = source_.Start(entry.Pid, [this, i](std::span<const std::uint8_t> block) {
      meter_.CountPayload(i, block);
    });
    chartChannels_[i]->Visible = true;
  }
  meter_.Start(ticks, NowMs());
  ColourCharts();
  timer_.start(kTickMs);
}

void TFormBitrateViewer::Tick() {
  const bool ended = meter_.Tick(NowMs());
  videoChart_->Update();
  audioChart_->Update();
  RefreshList();
  if (meter_.Timed())
    progress_->setValue(meter_.TicksLeft());
  if (ended)
    StopRun();
}

void TFormBitrateViewer::StopFilters() {
  for (std::size_t i = 0; i < meter_.Entries().size(); ++i) {
    TBitrateEntry &entry = meter_.Entries()[i];
    if (entry.Filter > 0)
      source_.Stop(entry.Filter);
    entry.Filter = 0;
    chartChannels_[i]->LegendText = StoppedLegend(entry);
  }
}

void TFormBitrateViewer::StopRun() {
  meter_.Stop();
  timer_.stop();
  progress_->hide();
  ShowRunning(false);
  StopFilters();
  videoChart_->Update();
  audioChart_->Update();
}

void TFormBitrateViewer::done(int result) {
  timer_.stop();
  StopFilters();
  QDialog::done(result);
}

} // namespace qev::diagnostics
