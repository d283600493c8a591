#pragma once

#include "device/signal_display.h"
#include "si/scan_engine.h"
#include "si/scan_tp_sources.h"

#include <QDialog>
#include <QIcon>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace qev::si {

inline constexpr const char *kScannerTitle = "Sat Scanner :: (";

// What the scanner window works with besides the engine's links; an empty hook hides what
// needs it.
struct TScannerWindowLinks {
  TScanLinks Scan;
  // The tuner's status as level and quality bars and lamps, read on notification 1.
  std::function<device::TSignalDisplay()> Signal{};
  // The channel icon of a record.
  std::function<QIcon(const data::TChannelRec &)> ChannelIcon{};
  // Shows a record in the channel editor; what it returns is not stored.
  std::function<bool(data::TChannelRec &)> EditChannel{};
  // Web transponder sources: the list file and the download (empty: no web sources).
  std::filesystem::path WebSourcesFile{};
  TDownload Download{};
  // The synchronisation dialog every source's list goes through (empty: new entries added).
  TSynchronise Synchronise{};
  // Where the open dialog for another INI file starts.
  std::filesystem::path TransponderFolder{};
};

// "Sat Scanner :: (19.2E) Astra"
QString ScannerTitle(const data::TSatRec &sat);

// The satellite scanner: the transponder and blind lists with their sources, the current
// transponder with the tuner's signal, the new services and the message log, over the engine.
class TFormSatScanner : public QDialog {
  Q_OBJECT
public:
  // With `one` the scanner is reduced to that transponder: the list panels are hidden and the
  // scan button scans it.
  TFormSatScanner(QWidget *owner, TScannerWindowLinks links, TScanSatellite satellite,
                  std::optional<data::TTransponder> one = std::nullopt);
  ~TFormSatScanner() override;

  TScanEngine &Engine();
  // Closing waits for a running scan to stop, offers to merge unmerged results and writes the
  // transponder and blind lists.
  void reject() override;

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

// Shows the scanner modally; true when a merge was stored (the channel lists changed).
bool ScannerOpen(QWidget *owner, TScannerWindowLinks links, TScanSatellite satellite);
bool ScannerOpenOne(QWidget *owner, TScannerWindowLinks links, TScanSatellite satellite,
                    const data::TTransponder &tp);

} // namespace qev::si
