// The channel tree at full size: 20,000 channels on 255 satellites, grouped by satellite, then
// by provider. The plain model's build, refilter and step, then the same through the window
// (offscreen), where a step also switches the engine's slot 0.
#include "device/engine_fakes.h"
#include "ui/channel_tree_model.h"
#include "ui/qt/frame_chan_tree.h"
#include "ui/ui_world.h"

#include <QApplication>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace qev;

namespace {

constexpr int kSatellites = 255;
constexpr int kChannels = 20000;
constexpr int kProviders = 60;

data::TChannelRec Channel(int n) {
  data::TChannelRec rec = device::test::Channel(
      10700000 + static_cast<std::uint32_t>(n % 97) * 20000, n % 2 ? 'H' : 'V', 27500,
      static_cast<std::uint16_t>(n + 1), "Channel " + std::to_string((n * 7919) % kChannels));
  data::SetChProv(rec, "Provider " + std::to_string(n % kProviders));
  rec.TID = static_cast<std::uint16_t>(n / 16);
  rec.SrvType = n % 5 == 0 ? 2 : 1;
  rec.Encrypted = n % 3 == 0 ? 1 : 0;
  return rec;
}

struct TOwnHub {
  frame::TNotificationHub hub;
};

// The lists, an engine over fake devices and a context for the window, built once.
struct TWorld : TOwnHub, ui::test::EngineWorld {
  ui::TGSFRules rules;
  ui::TTreeData data{root.sats,  root.lists,           favorites,
                     categories, [] { return false; }, [](int) { return std::string(); }};

  TWorld() : EngineWorld(hub, frame::Options()) {
    for (int sat = 1; sat <= kSatellites; ++sat)
      root.AddSat(sat, sat * 7, "Sat " + std::to_string(sat), 1);
    for (int n = 0; n < kChannels; ++n) {
      data::TChannelRec rec = Channel(n);
      rec.SatIndex = static_cast<std::uint8_t>(1 + n % kSatellites);
      root.lists.ListOf(rec.SatIndex)->ListAppend(rec);
    }
    rules.Group1By = 1;
    rules.Group2By = 2;
    rules.SortRule1 = 1;
    rules.ChfServType = 27;
  }
};

TWorld &World() {
  static TWorld world;
  return world;
}

void AlternateFilter(ui::TGSFRules &rules, std::int64_t round) {
  rules.ChfServType = round % 2 ? 31 : 1 | 8 | 16;
  rules.ChfContain = round % 4 == 3 ? "1" : "";
}

void BM_ModelBuild(benchmark::State &state) {
  TWorld &w = World();
  ui::TChannelTreeModel tree(w.rules, ui::AllSatellitesLookups(w.data));
  for (auto _ : state)
    tree.RebuildTree();
  state.counters["rows"] = static_cast<double>(tree.Rows().size());
}
BENCHMARK(BM_ModelBuild)->Unit(benchmark::kMillisecond);

void BM_ModelRefilter(benchmark::State &state) {
  TWorld &w = World();
  ui::TGSFRules rules = w.rules;
  ui::TChannelTreeModel tree(rules, ui::AllSatellitesLookups(w.data));
  tree.RebuildTree();
  std::int64_t round = 0;
  for (auto _ : state) {
    AlternateFilter(rules, ++round);
    tree.RefilterTree();
  }
  state.counters["visible"] = static_cast<double>(tree.VisibleChannels());
}
BENCHMARK(BM_ModelRefilter)->Unit(benchmark::kMillisecond);

void BM_ModelStep(benchmark::State &state) {
  TWorld &w = World();
  ui::TChannelTreeModel tree(w.rules, ui::AllSatellitesLookups(w.data));
  tree.RebuildTree();
  tree.SetAllOpen(true);
  for (auto _ : state) {
    const int before = tree.FocusedRow();
    tree.StepChannel(1);
    if (tree.FocusedRow() == before) // the end: start over at the top
      tree.SetFocusedRow(ui::TChannelTreeModel::kNoRow);
  }
}
BENCHMARK(BM_ModelStep)->Unit(benchmark::kMicrosecond);

// The window over a copy of the world's rules, shown at a fixed size.
struct TShownTree {
  explicit TShownTree(bool built) {
    tree->resize(420, 800);
    tree->show();
    QApplication::processEvents();
    if (built)
      tree->RebuildTree();
  }
  ui::TFrameChanTree *operator->() const { return tree.get(); }
  void Paint() const { tree->TreeView()->viewport()->repaint(); }

  ui::TGSFRules rules = World().rules;
  std::unique_ptr<ui::TFrameChanTree> tree = std::make_unique<ui::TFrameChanTree>(
      nullptr, World().context, ui::TChanTreeParts{true, true, true}, rules, 0);
};

// A rebuild as the user waits for it: rows, filter, groups opened, laid out and painted.
void BM_ViewBuild(benchmark::State &state) {
  TShownTree tree(false);
  for (auto _ : state) {
    tree->RebuildTree();
    tree.Paint();
  }
}
BENCHMARK(BM_ViewBuild)->Unit(benchmark::kMillisecond);

void BM_ViewRefilter(benchmark::State &state) {
  TShownTree tree(true);
  std::int64_t round = 0;
  for (auto _ : state) {
    AlternateFilter(tree.rules, ++round);
    tree->RefilterTree();
    tree.Paint();
  }
}
BENCHMARK(BM_ViewRefilter)->Unit(benchmark::kMillisecond);

// Channel down: the next row is focused, centred and switched to.
void BM_ViewStep(benchmark::State &state) {
  TShownTree tree(true);
  for (auto _ : state) {
    const int before = tree->Model().FocusedRow();
    tree->StepChannel(1);
    tree.Paint();
    if (tree->Model().FocusedRow() == before)
      tree->Model().SetFocusedRow(ui::TChannelTreeModel::kNoRow);
  }
}
BENCHMARK(BM_ViewStep)->Unit(benchmark::kMicrosecond);

// The window's share of a step without the engine's switch: the next channel focused, its
// groups opened, centred and painted.
void BM_ViewFocus(benchmark::State &state) {
  TShownTree tree(true);
  std::vector<std::int32_t> handles;
  for (const ui::TTreeRow &row : tree->Model().Rows())
    if (row.IsChannel() && row.Shown)
      handles.push_back(row.RowKey);
  std::size_t next = 0;
  for (auto _ : state) {
    tree->FocusChannel(handles[next++ % handles.size()]);
    tree.Paint();
  }
}
BENCHMARK(BM_ViewFocus)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
