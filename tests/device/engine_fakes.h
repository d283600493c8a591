#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/av_device.h"
#include "device/last_channels.h"
#include "device/transponder_tuner.h"
#include "device/tuning_engine.h"
#include "frame/notification_hub.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qev::device::test {

// Everything the engine and its fakes did, in one ordered list of lines.
struct EventJournal {
  std::vector<std::string> lines;
  void Add(std::string line) { lines.push_back(std::move(line)); }
  void Clear() { lines.clear(); }
  bool Has(const std::string &line) const;
  // The lines that start with the prefix, in order.
  std::vector<std::string> Starting(const std::string &prefix) const;
};

class RecordingTuner final : public ITransponderTuner {
public:
  explicit RecordingTuner(EventJournal &journal) : journal_(journal) {}
  std::int32_t TuneTransponder(std::uint32_t frequency, std::string_view polarisation,
                               std::uint32_t symbolRate, std::uint16_t lockWaitMs,
                               bool satelliteChanged) override;
  // Runs inside a tune, as a message pumped while tuning would.
  std::function<void()> duringTune;

private:
  EventJournal &journal_;
};

class RecordingAvDevice final : public IAvDevice {
public:
  explicit RecordingAvDevice(EventJournal &journal) : journal_(journal) {}
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags) override;
  std::int32_t SetTeletextPid(std::int32_t pid) override;
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound) override;
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture) override;

private:
  EventJournal &journal_;
};

// A root of its own in a temporary folder with satellites and channel lists built by the test.
class EngineRoot {
public:
  EngineRoot();
  ~EngineRoot();

  // Active, universal LNB, switch 1 committed to the port.
  void AddSat(int index, int position, const std::string &name, int committedPort);
  // The handle of the appended channel.
  std::int32_t AddChannel(int satIndex, const data::TChannelRec &rec);

  std::filesystem::path dir;
  data::TSatList sats;
  data::TChannelLists lists{sats};
};

// A TV channel whose PIDs follow from its service id: video sid*16+1 (also PCR), audio +2,
// teletext +3; no AC-3.
data::TChannelRec Channel(std::uint32_t freqKhz, char polar, std::uint16_t srate, std::uint16_t sid,
                          const std::string &name);

// Records notifications 5, 6 and 7 into the journal as "Notify index first second".
class HubRecorder {
public:
  HubRecorder(frame::TNotificationHub &hub, EventJournal &journal);
  ~HubRecorder();

private:
  void On5(std::intptr_t first, std::intptr_t second);
  void On6(std::intptr_t first, std::intptr_t second);
  void On7(std::intptr_t first, std::intptr_t second);

  frame::TNotificationHub &hub_;
  EventJournal &journal_;
};

// Every hook of the engine writes its name and arguments into the journal.
void RecordAllHooks(TSwitchHooks &hooks, EventJournal &journal);

// Log lines go into the journal as "Log text" while it lives.
class LogRecorder {
public:
  explicit LogRecorder(EventJournal &journal);
  ~LogRecorder();
};

} // namespace qev::device::test
