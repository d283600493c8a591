// The helpers' data path: one block of packets handed to a slot's live graph, as the device
// module's delivery thread does for every block.
#include "video/graph_slots.h"
#include "video/helper_table.h"

#include "video/fake_graph.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using namespace qev::video;

void BM_HelperFeedData(benchmark::State &state) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("qev-graph-bench-" + std::to_string(::getpid()) + ".grs");
  std::ofstream(file) << "LoadFilter(qevavsource,Source)\nLoadFilter(videosink,Screen)\n"
                         "LoadFilter(audiosink,Speaker)\nConnectPin(Source,Video,Screen,sink)\n"
                         "ConnectPin(Source,Audio,Speaker,sink)\n";
  test::FakeGraphFactory factory;
  TGraphSlots slots(factory);
  if (slots.CreateGraph(0, kGraphLiveFeed, file.string(), "", false) != 0) {
    state.SkipWithError("the graph did not open");
    return;
  }
  SetHelperSlots(&slots);
  const std::vector<std::uint8_t> block(static_cast<std::size_t>(state.range(0)), 0x47);
  const DsHelperTable &table = HelperTable();
  for (auto _ : state)
    table.HlpFeedData(0, block.data(), static_cast<std::int32_t>(block.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  SetHelperSlots(nullptr);
  std::filesystem::remove(file);
}
BENCHMARK(BM_HelperFeedData)->Arg(188 * 7)->Arg(188 * 348);

} // namespace
