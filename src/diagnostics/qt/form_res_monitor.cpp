#include "diagnostics/qt/form_res_monitor.h"

#include "diagnostics/qt/hist_scope.h"
#include "diagnostics/resource_channels.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>

namespace qev::diagnostics {

namespace {

constexpr int kSampleMs = 1000;
constexpr std::uint32_t kGridColor = 0x402525;

QString Percent(int value) { return QString::number(value) + "%"; }

// "#,##0 K"
QString Kilobytes(std::uint64_t kb) {
  std::string digits = std::to_string(kb);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(static_cast<std::size_t>(i), ",");
  return QString::fromStdString(digits) + " K";
}

void Style(TDataChannel &channel, std::uint32_t color, const char *legend, bool autoScale) {
  channel.Color = color;
  channel.LegendText = legend;
  channel.AutoScale = autoScale;
  channel.LegendOfsX = 2;
  channel.LegendOfsY = 1;
}

} // namespace

int LoadBarValue(int percent) { return std::clamp(percent, 0, 100); }

TFormResMonitor::TFormResMonitor(THooks hooks, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), hooks_(std::move(hooks)) {
  setObjectName("resourceMonitor");
  setWindowTitle(tr("Resource Monitor"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);

  TDataChannel &signal = AddChart("signalChart")->Model().AddChannel();
  signal.OnDataFeed = [this] { return hooks_.SignalLevel ? hooks_.SignalLevel() : 0; };
  Style(signal, 0x00FFFF, "Sig %2d%%", false);

  system_ = static_cast<TCpuDataChan *>(
      &AddChart("systemChart")->Model().AddChannel(std::make_unique<TCpuDataChan>(0)));
  Style(*system_, 0x0000FF, "Sys %2d%%", false);

  program_ = static_cast<TCpuDataChan *>(
      &AddChart("programChart")->Model().AddChannel(std::make_unique<TCpuDataChan>(::getpid())));
  Style(*program_, 0x00FF00, "App %2d%%", false);
  program_->OnNewValue = [this](TDataChannel &c) {
    if (hooks_.ProgramLoad)
      hooks_.ProgramLoad(LoadBarValue(c.LstValue()));
  };

  Style(AddChart("memoryChart")
            ->Model()
            .AddChannel(std::make_unique<TMemDataChan>(TMemFigure::WorkingSet)),
        0xFFFF00, "Mem %3d K", true);
  Style(AddChart("privateChart")
            ->Model()
            .AddChannel(std::make_unique<TMemDataChan>(TMemFigure::Private)),
        0xF0FBFF, "Prv %3d K", true);
  for (THistScope *chart : charts_)
    layout->addWidget(chart, 1);

  auto *grid = new QGridLayout;
  AddFigures(*grid);
  layout->addLayout(grid);
  auto *trim = new QPushButton(tr("Trim working set"));
  trim->setObjectName("trimButton");
  connect(trim, &QPushButton::clicked, this, &TFormResMonitor::TrimWorkingSet);
  layout->addWidget(trim);

  figures_.setInterval(kSampleMs);
  connect(&figures_, &QTimer::timeout, this, &TFormResMonitor::RefreshFigures);
  figures_.start();
  resize(260, 520);
}

THistScope *TFormResMonitor::AddChart(const char *name) {
  int index = 0;
  while (charts_[index])
    ++index;
  auto *chart = new THistScope(this);
  chart->setObjectName(name);
  chart->Model().SetGridSize(6, 6);
  chart->Model().GridColor = kGridColor;
  chart->Model().GridAnimated = false;
  chart->Model().SetInterval(kSampleMs);
  chart->ApplyTimer();
  charts_[index] = chart;
  return chart;
}

void TFormResMonitor::AddFigures(QGridLayout &grid) {
  const auto add = [this, &grid](int row, int column, const QString &caption, const char *name) {
    grid.addWidget(new QLabel(caption), row, column * 2);
    auto *value = new QLabel("0");
    value->setObjectName(name);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid.addWidget(value, row, column * 2 + 1);
    return value;
  };
  sysPeak_ = add(0, 0, tr("Sys peak"), "sysPeak");
  sysAverage_ = add(0, 1, tr("average"), "sysAverage");
  appPeak_ = add(1, 0, tr("App peak"), "appPeak");
  appAverage_ = add(1, 1, tr("average"), "appAverage");
  workingSet_ = add(2, 0, tr("Working set"), "workingSet");
  workingSetPeak_ = add(2, 1, tr("peak"), "workingSetPeak");
  private_ = add(3, 0, tr("Private"), "privateBytes");
  privatePeak_ = add(3, 1, tr("peak"), "privatePeak");
}

void TFormResMonitor::SampleAll() {
  for (THistScope *chart : charts_)
    chart->Update();
}

void TFormResMonitor::RefreshFigures() {
  sysPeak_->setText(Percent(system_->MaxValue()));
  sysAverage_->setText(Percent(system_->Average()));
  appPeak_->setText(Percent(program_->MaxValue()));
  appAverage_->setText(Percent(program_->Average()));
  const TMemStatus memory = ReadMemStatus();
  privatePeakKb_ = std::max(privatePeakKb_, memory.Private());
  workingSet_->setText(Kilobytes(memory.VmRSS));
  workingSetPeak_->setText(Kilobytes(memory.VmHWM));
  private_->setText(Kilobytes(memory.Private()));
  privatePeak_->setText(Kilobytes(privatePeakKb_));
}

// Gives freed heap memory back to the system, the nearest Linux has to trimming a working set.
void TFormResMonitor::TrimWorkingSet() {
  ::malloc_trim(0);
  RefreshFigures();
}

} // namespace qev::diagnostics
