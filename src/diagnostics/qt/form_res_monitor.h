#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class QGridLayout;
class QLabel;

namespace qev::diagnostics {

class THistScope;
class TCpuDataChan;
class TDataChannel;

// The resource monitor: five strip charts (signal, system load, program load, working set,
// private memory) and their peak and average figures. It samples once a second for the whole
// run, also while hidden; closing only hides it.
class TFormResMonitor final : public QWidget {
  Q_OBJECT
public:
  struct THooks {
    std::function<int()> SignalLevel;             // percent; none: 0
    std::function<void(int percent)> ProgramLoad; // every program-load sample
  };
  TFormResMonitor(THooks hooks, QWidget *parent = nullptr);

  // The figures now (the timer does it once a second).
  void RefreshFigures();
  // One sampling pass of every chart, as their timers do.
  void SampleAll();
  THistScope &Chart(int index) const { return *charts_[index]; }
  static constexpr int kChartCount = 5;

private:
  THistScope *AddChart(const char *name);
  void AddFigures(QGridLayout &grid);
  void TrimWorkingSet();

  THooks hooks_;
  THistScope *charts_[kChartCount] = {};
  TCpuDataChan *system_ = nullptr;
  TCpuDataChan *program_ = nullptr;
  QLabel *sysPeak_ = nullptr, *sysAverage_ = nullptr;
  QLabel *appPeak_ = nullptr, *appAverage_ = nullptr;
  QLabel *workingSet_ = nullptr, *workingSetPeak_ = nullptr;
  QLabel *private_ = nullptr, *privatePeak_ = nullptr;
  std::uint64_t privatePeakKb_ = 0;
  QTimer figures_;
};

// The processor-load bar's value: a percentage clamped to 0..100.
int LoadBarValue(int percent);

} // namespace qev::diagnostics
