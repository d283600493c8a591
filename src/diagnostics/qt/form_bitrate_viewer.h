#pragma once

#include "data/channel_rec.h"
#include "diagnostics/bitrate_meter.h"

#include <QDialog>
#include <QTimer>

#include <chrono>

class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace qev::diagnostics {

class THistScope;
class TDataChannel;
class TPacketSource;

// "Bitrate Viewer: <channel>": the payload rates of a channel's video and sound streams as
// strip charts, with an average per stream, until stopped or for a fixed time.
class TFormBitrateViewer final : public QDialog {
  Q_OBJECT
public:
  TFormBitrateViewer(TPacketSource &source, const data::TChannelRec &channel,
                     QWidget *parent = nullptr);
  ~TFormBitrateViewer() override;

  // Runs until stopped (minutes 0) or for that many minutes of ticks.
  void StartRun(int ticks);
  void StopRun();
  // One timer tick, now.
  void Tick();
  const TBitrateMeter &Meter() const { return meter_; }
  TBitrateMeter &Meter() { return meter_; }
  THistScope &VideoChart() const { return *videoChart_; }
  THistScope &AudioChart() const { return *audioChart_; }

private:
  void BuildList();
  void RefreshList();
  void ResetCharts();
  void ColourCharts();
  void StopFilters();
  void ShowRunning(bool running);
  void done(int result) override;
  std::int64_t NowMs() const;

  TPacketSource &source_;
  TBitrateMeter meter_;
  std::vector<TDataChannel *> chartChannels_; // per entry
  THistScope *videoChart_ = nullptr;
  THistScope *audioChart_ = nullptr;
  QTreeWidget *list_ = nullptr;
  QToolButton *start_ = nullptr;
  QPushButton *stop_ = nullptr;
  QPushButton *reset_ = nullptr;
  QProgressBar *progress_ = nullptr;
  QTimer timer_;
  std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

// The charts' palette (0x00BBGGRR).
std::uint32_t ChartPalette(int index);

} // namespace qev::diagnostics
