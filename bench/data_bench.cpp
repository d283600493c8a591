// Channel data at full size: 256 satellites with 20,000 channels, lookups and a scan merge.
#include "data/channel_lists.h"
#include "data/date_time.h"
#include "data/tp_import.h"
#include "data/transponder_list.h"
#include "frame/app_paths.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

constexpr int kSatellites = 256 - 1; // indexes 1..255
constexpr int kChannels = 20000;

data::TChannelRec Channel(int n) {
  data::TChannelRec rec{};
  rec.Freq = 10700000 + static_cast<std::uint32_t>(n % 500) * 4000;
  rec.SRate = 27500;
  rec.Polar = n % 2 ? 'H' : 'V';
  rec.TID = static_cast<std::uint16_t>(n / 16);
  rec.SID = static_cast<std::uint16_t>(n);
  data::SetChName(rec, "Channel " + std::to_string(n));
  return rec;
}

struct Root {
  fs::path dir = fs::temp_directory_path() / ("qev-data-bench-" + std::to_string(::getpid()));
  data::TSatList sats;
  Root() {
    fs::remove_all(dir);
    frame::SetPaths(frame::TAppPaths(dir));
    for (int i = 1; i <= kSatellites; ++i) {
      data::TSatRec sat{};
      sat.SatIdx = static_cast<std::uint8_t>(i);
      sat.SatPos = static_cast<std::uint16_t>(i * 10);
      sat.SatActive = 1;
      sats.SatAdd(sat);
    }
    data::TChannelLists lists(sats);
    lists.ListsSync();
    for (int n = 0; n < kChannels; ++n)
      lists.ListOf(1 + n % kSatellites)->ListAppend(Channel(n));
    lists.ListsSaveModified(false);
  }
  ~Root() { fs::remove_all(dir); }
};

Root &TheRoot() {
  static Root root;
  return root;
}

void LoadAll(benchmark::State &state) {
  Root &root = TheRoot();
  for (auto _ : state) {
    data::TChannelLists lists(root.sats);
    lists.ListsSync();
    benchmark::DoNotOptimize(lists.ListOf(1));
  }
  state.counters["channels"] = kChannels;
}

void SaveAll(benchmark::State &state) {
  Root &root = TheRoot();
  data::TChannelLists lists(root.sats);
  lists.ListsSync();
  for (auto _ : state) {
    for (int i = 1; i <= kSatellites; ++i)
      lists.ListOf(i)->ListSaveAll();
  }
}

data::TChannelsList BigList() {
  data::TChannelsList list(192, 1);
  for (int n = 0; n < kChannels; ++n)
    list.ListAppend(Channel(n));
  list.ListSort();
  return list;
}

void FindByKey(benchmark::State &state) {
  const data::TChannelsList list = BigList();
  int n = 0;
  for (auto _ : state) {
    const data::TChannelRec rec = Channel(n++ % kChannels);
    benchmark::DoNotOptimize(list.ListFind(rec.TID, rec.SID));
  }
}

void FindByName(benchmark::State &state) {
  const data::TChannelsList list = BigList();
  for (auto _ : state)
    benchmark::DoNotOptimize(list.ListFindByName("CHANNEL 19999"));
}

void Merge(benchmark::State &state) {
  std::vector<data::TChannelRec> scanned;
  for (int n = 0; n < 5000; ++n) {
    data::TChannelRec rec = Channel(n * 5); // 4,000 known, 1,000 new
    if (n % 3 == 0)
      rec.VidPid = 0x100;
    scanned.push_back(rec);
  }
  for (auto _ : state) {
    state.PauseTiming();
    data::TChannelsList list = BigList();
    state.ResumeTiming();
    benchmark::DoNotOptimize(list.ListMerge(scanned, false, data::NowLocal()));
  }
}

// 100,000 entries of a blind-list file, each checked against the earlier ones and against a
// list of 50,000 that holds every other one.
void ImportDuplicateCheck(benchmark::State &state) {
  constexpr int kEntries = 100000;
  std::string text;
  data::TSatTransponders stored;
  for (int n = 0; n < kEntries; ++n) {
    const data::TTransponder tp = data::MakeTransponder(
        10700 + static_cast<std::uint32_t>(n % 2000), (n / 2000) % 2 ? 'H' : 'V',
        1000 + static_cast<std::uint32_t>(n / 4000));
    text += data::TpText(tp) + "\n";
    if (n % 2 == 0)
      stored.TpAdd(tp);
  }
  for (auto _ : state) {
    data::TSatTransponders list = stored;
    data::TImportResult result = data::ParseTwsImport(text);
    benchmark::DoNotOptimize(data::AddImported(list, result));
  }
  state.counters["entries"] = kEntries;
}

} // namespace

BENCHMARK(LoadAll)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveAll)->Unit(benchmark::kMillisecond);
BENCHMARK(FindByKey);
BENCHMARK(FindByName)->Unit(benchmark::kMicrosecond);
BENCHMARK(Merge)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportDuplicateCheck)->Unit(benchmark::kMillisecond);
