// Start-up of the program to its shown main window on a root with 20,000 channels on 255
// satellites, offscreen and without a device (so no tuner's lock time is counted). Each
// iteration runs the whole start-up, from the options to the first paint of the main window
// with its channel tree; the close after it is not timed.
#include "app/qev_application.h"
#include "data/channel_lists.h"
#include "data/data_store.h"
#include "data/sat_list.h"
#include "data/sat_rec.h"
#include "frame/app_paths.h"
#include "frame/process_flags.h"
#include "frame/qt/qt_dispatcher.h"
#include "support/scripted_presenter.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/frame_chan_tree.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

constexpr int kSatellites = 255; // indexes 1..255

data::TChannelRec Channel(int n) {
  data::TChannelRec rec{};
  rec.SatIndex = static_cast<std::uint8_t>(1 + n % kSatellites);
  rec.Freq = 10700000 + static_cast<std::uint32_t>(n % 500) * 4000;
  rec.SRate = 27500;
  rec.Polar = n % 2 ? 'H' : 'V';
  rec.TID = static_cast<std::uint16_t>(n / 16);
  rec.SID = static_cast<std::uint16_t>(n);
  rec.SrvType = n % 5 == 0 ? 2 : 1;
  rec.VidPid = rec.SrvType == 1 ? 0x100 : 0;
  rec.AudPid = 0x101;
  data::SetChName(rec, "Channel " + std::to_string(n));
  data::SetChProv(rec, "Provider " + std::to_string(n % 40));
  return rec;
}

// A root of its own with the satellites and their channel lists on disk.
fs::path MakeRoot(int channels) {
  const fs::path root =
      fs::temp_directory_path() /
      ("qev-main-window-bench-" + std::to_string(::getpid()) + "-" + std::to_string(channels));
  fs::remove_all(root);
  fs::create_directories(root / "Configs");
  frame::SetPaths(frame::TAppPaths(root));
  data::TSatList sats;
  for (int i = 1; i <= kSatellites; ++i) {
    data::TSatRec sat{};
    sat.SatIdx = static_cast<std::uint8_t>(i);
    sat.SatPos = static_cast<std::uint16_t>(i * 10);
    sat.SatActive = 1;
    data::SetSatName(sat, "Satellite " + std::to_string(i));
    sats.SatAdd(sat, i == kSatellites);
  }
  data::TChannelLists lists(sats);
  lists.ListsSync();
  for (int n = 0; n < channels; ++n)
    lists.ListOf(Channel(n).SatIndex)->ListAppend(Channel(n));
  lists.ListsSaveModified(false);
  return root;
}

void StartToShownMainWindow(benchmark::State &state) {
  const int channels = static_cast<int>(state.range(0));
  const fs::path root = MakeRoot(channels);
  test::ScriptedPresenter presenter;
  frame::ProgramOptions options;
  options.offline = true;
  std::size_t treeRows = 0;
  for (auto _ : state) {
    frame::SetPaths(frame::TAppPaths(root));
    frame::Flags().Closing = false;
    const auto start = std::chrono::steady_clock::now();
    app::TQevApplication application(options, root / "qevdvb.INI");
    if (!application.Start()) {
      state.SkipWithError("the start-up failed");
      break;
    }
    QApplication::processEvents(); // the first paint of the shown window
    const auto shown = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
    treeRows = application.MainWindow()->ChannelTree(0)->Model().Rows().size();
    application.RequestClose();
    // The lists outlive a start in this process; a program starts with none loaded.
    data::ChannelLists().ListsFreeAll();
  }
  state.counters["channels"] = channels;
  state.counters["tree rows"] = static_cast<double>(treeRows);
  fs::remove_all(root);
}

BENCHMARK(StartToShownMainWindow)
    ->Arg(0)
    ->Arg(20000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  frame::TQtDispatcher dispatcher;
  frame::SetCurrentDispatcher(&dispatcher);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  frame::SetCurrentDispatcher(nullptr);
  return 0;
}
