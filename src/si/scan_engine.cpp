#include "si/scan_engine.h"

namespace qev::si {

TScanSatellite LoadScanSatellite(const data::TSatRec &sat) {
  TScanSatellite satellite;
  satellite.Sat = sat;
  return satellite;
}

std::string SaveScanSatellite(const TScanSatellite &) { return {}; }

struct TScanEngine::TJobs {};

TScanEngine::TScanEngine(TScanLinks links, IScanView &view, TScanSatellite satellite)
    : links_(std::move(links)), view_(view), satellite_(std::move(satellite)) {}

TScanEngine::~TScanEngine() = default;

void TScanEngine::SetCurrent(const data::TTransponder &tp) { current_ = tp; }
bool TScanEngine::ScanTune(bool) { return false; }
void TScanEngine::SignalCheckRun() {}
void TScanEngine::ScanRun(bool) {}
int TScanEngine::ScanTransponder() { return -1; }
std::optional<data::TMergeCounts> TScanEngine::ScanMerge(bool) { return std::nullopt; }
std::string TScanEngine::Close() { return {}; }

} // namespace qev::si
