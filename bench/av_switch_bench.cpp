// Picture and sound on the demo sky with locks that take no time: how long a channel switch
// takes until the first picture is decoded (the renderer's count) and until it reaches a
// surface, on the same transponder and to another one (median and worst of 20), and the CPU
// share of showing an SD MPEG-2 and an HD H.264 channel for 5 s beside gst-play-1.0 playing a
// dump of the same service, measured in the same run.
#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "si/crc32_mpeg.h"
#include "devkit/ts_packet.h"
#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/options.h"
#include "tool/channel_find.h"
#include "tool/play_session.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace qev;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSwitches = 20;
constexpr auto kShowFor = std::chrono::seconds(5);
constexpr auto kFrameWait = std::chrono::seconds(5);
constexpr int kDumpSeconds = 6;
const char *const kSd = "QEV One";      // MPEG-2 720x576 4:3 on 10788 V
const char *const kHd = "QEV Two HD";   // H.264 1280x720 16:9 on the same transponder
const char *const kOther = "Demo News"; // MPEG-2 720x576 16:9 on 12188 H

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

double Ms(std::int64_t ns) { return static_cast<double>(ns) / 1e6; }

// The figures printed in the table at the end, in the order they were measured.
std::vector<std::pair<std::string, std::string>> &Table() {
  static std::vector<std::pair<std::string, std::string>> rows;
  return rows;
}

// A new root seeded with the demo sky whose transponders lock at once.
fs::path MakeRoot() {
  const fs::path root = fs::temp_directory_path() / ("qev-av-bench-" + std::to_string(::getpid()));
  fs::remove_all(root);
  if (const std::string error = frame::SeedRoot(root, QEV_SHARE_DIR); !error.empty())
    throw std::runtime_error(error);
  const fs::path sky = root / "Devices/Dev_Sim.ini";
  std::ifstream in(sky);
  std::ostringstream text;
  const std::regex lockDelay(R"(^(TP\d+=[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,)\d+)");
  for (std::string line; std::getline(in, line);)
    text << std::regex_replace(line, lockDelay, "$010") << '\n';
  if (const std::string error = frame::WriteFileAtomically(sky, text.str()); !error.empty())
    throw std::runtime_error(error);
  return root;
}

// A copy of a dump holding one service: its PMT and streams, and a PAT naming it alone, so a
// player cannot pick another programme.
void KeepService(const fs::path &from, const fs::path &to, const data::TChannelRec &rec) {
  std::vector<std::uint16_t> pids = {rec.PmtPid, rec.PcrPid, rec.VidPid, rec.AudPid};
  std::vector<std::uint8_t> pat = {0x00,
                                   0x00,
                                   0xB0,
                                   13,
                                   static_cast<std::uint8_t>(rec.TID >> 8),
                                   static_cast<std::uint8_t>(rec.TID),
                                   0xC1,
                                   0,
                                   0,
                                   static_cast<std::uint8_t>(rec.SID >> 8),
                                   static_cast<std::uint8_t>(rec.SID),
                                   static_cast<std::uint8_t>(0xE0 | rec.PmtPid >> 8),
                                   static_cast<std::uint8_t>(rec.PmtPid)};
  const std::uint32_t crc = si::Crc32Mpeg(std::span(pat).subspan(1));
  for (int shift = 24; shift >= 0; shift -= 8)
    pat.push_back(static_cast<std::uint8_t>(crc >> shift));
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  std::uint8_t packet[devkit::kPacketSize];
  std::uint8_t continuity = 0;
  while (in.read(reinterpret_cast<char *>(packet), sizeof packet)) {
    const std::uint16_t pid = devkit::TsPacket(packet).Pid();
    if (pid == 0 && devkit::TsPacket(packet).UnitStart()) {
      std::fill(std::begin(packet) + 4, std::end(packet), 0xFF);
      packet[1] = 0x40;
      packet[3] = static_cast<std::uint8_t>(0x10 | (continuity++ & 0x0F));
      std::copy(pat.begin(), pat.end(), packet + 4);
    } else if (std::find(pids.begin(), pids.end(), pid) == pids.end()) {
      continue;
    }
    out.write(reinterpret_cast<const char *>(packet), sizeof packet);
  }
}

// CPU seconds of this process.
double ProcessCpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// CPU seconds of a child that has ended but is not yet reaped, from its /proc stat.
double ChildCpu(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i == 14 || i == 15)
      ticks += std::stod(field);
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// gst-play-1.0 on a file with sinks that keep time: its CPU share of one core, or a negative
// value when it could not run.
double GstPlayCpuShare(const fs::path &file) {
  std::vector<std::string> args = {"gst-play-1.0", "-q", "--videosink=fakesink sync=true",
                                   "--audiosink=fakesink sync=true", file.string()};
  std::vector<char *> argv;
  for (std::string &a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const auto start = Clock::now();
  const int failed = posix_spawnp(&pid, "gst-play-1.0", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0)
    return -1;
  siginfo_t info{};
  waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = ChildCpu(pid);
  waitpid(pid, nullptr, 0);
  return info.si_status == 0 ? cpu / wall : -1;
}

struct TShape {
  int Width, Height, AspectX, AspectY;
};

// The demo sky, its channels and one play session on AV slot 0.
struct TBench {
  fs::path root = MakeRoot();
  std::map<std::string, fs::path> dumps;
  data::TSatList sats;
  data::TChannelLists lists{sats};
  std::unique_ptr<tool::TPlaySession> session;

  // Where the first picture of the armed shape arrived (0 = not yet).
  std::atomic<std::int64_t> shownNs{0};
  TShape armed{};
  std::mutex armMutex;

  TBench() {
    frame::SetPaths(frame::TAppPaths(root));
    frame::LoadOptions(frame::Options(), frame::Paths().OptionsFile);
    MakeDumps();
    sats.SatLoad();
    lists.ListsSync();
    session = std::make_unique<tool::TPlaySession>(root / "Devices/Dev_Sim.int", lists, sats, 0,
                                                   video::TRenderMode::Count);
    if (!session->Error().empty())
      throw std::runtime_error(session->Error());
    session->Surface().SetObserver([this](const video::TVideoFrame &frame, std::int64_t ns) {
      std::lock_guard lock(armMutex);
      if (shownNs == 0 && frame.Width == armed.Width && frame.Height == armed.Height &&
          frame.AspectX * armed.AspectY == frame.AspectY * armed.AspectX)
        shownNs = ns;
    });
  }
  ~TBench() {
    session.reset();
    fs::remove_all(root);
  }

  // A dump of 10788 V made by qevtool dump, cut to each of the two services shown.
  void MakeDumps() {
    const fs::path whole = root / "10788v.ts";
    // In a process of its own: Dev_Sim.int loaded a second time in one process feeds its AV
    // slots nothing.
    const std::string command =
        fmt::format("{} --root '{}' --device Dev_Sim.int dump 19.2E 10788 V 22000 --seconds {} "
                    "--out '{}' >/dev/null",
                    QEV_QEVTOOL, root.string(), kDumpSeconds, whole.string());
    if (std::system(command.c_str()) != 0)
      throw std::runtime_error("dump failed: " + command);
    data::TSatList dumpSats;
    dumpSats.SatLoad();
    data::TChannelLists dumpLists(dumpSats);
    dumpLists.ListsSync();
    for (const char *name : {kSd, kHd}) {
      const auto rec =
          dumpLists.ChannelByHandle(tool::FindChannelByName(dumpSats, dumpLists, name));
      if (!rec)
        throw std::runtime_error(std::string("no channel ") + name);
      dumps[name] = root / (std::string(name) + ".ts");
      KeepService(whole, dumps[name], *rec);
    }
  }

  std::int32_t Handle(const char *name) const { return tool::FindChannelByName(sats, lists, name); }

  // Switches and waits for the target's first picture: decoded (the renderer's count rose
  // after the switch returned) and shown (a picture of its shape reached the surface).
  std::pair<std::int64_t, std::int64_t> TimedSwitch(const char *name, TShape shape) {
    {
      std::lock_guard lock(armMutex);
      armed = shape;
      shownNs = 0;
    }
    const std::int64_t start = NowNs();
    session->Switch(Handle(name));
    const std::uint64_t before = session->State().Counts.VideoFrames;
    std::int64_t decoded = 0;
    const auto limit = Clock::now() + kFrameWait;
    while ((decoded == 0 || shownNs == 0) && Clock::now() < limit) {
      if (decoded == 0 && session->State().Counts.VideoFrames > before)
        decoded = NowNs() - start;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return {decoded, shownNs != 0 ? shownNs - start : 0};
  }
};

TBench &TheBench() {
  static TBench bench;
  return bench;
}

const TShape kSdShape{720, 576, 4, 3}, kHdShape{1280, 720, 16, 9}, kOtherShape{720, 576, 16, 9};

// Of the switches that showed a picture within kFrameWait; the others are counted apart.
std::string MedianAndWorst(std::vector<std::int64_t> values) {
  const auto never = std::erase(values, 0);
  std::sort(values.begin(), values.end());
  const std::string apart = never != 0 ? fmt::format("  ({} never)", never) : "";
  if (values.empty())
    return "none" + apart;
  return fmt::format("median {:7.1f} ms  worst {:7.1f} ms{}", Ms(values[values.size() / 2]),
                     Ms(values.back()), apart);
}

void SwitchTimes(benchmark::State &state, const char *label, const char *a, TShape shapeA,
                 const char *b, TShape shapeB) {
  TBench &bench = TheBench();
  bench.TimedSwitch(a, shapeA); // settle on the first channel
  std::vector<std::int64_t> decoded, shown;
  for (auto _ : state) {
    for (int i = 0; i < kSwitches; ++i) {
      const bool toB = i % 2 == 0;
      const auto [d, s] = bench.TimedSwitch(toB ? b : a, toB ? shapeB : shapeA);
      decoded.push_back(d);
      shown.push_back(s);
      state.SetIterationTime(Ms(s) / 1000);
    }
  }
  Table().emplace_back(fmt::format("{} to first decoded frame", label), MedianAndWorst(decoded));
  Table().emplace_back(fmt::format("{} to first shown frame", label), MedianAndWorst(shown));
}

void BM_SwitchSameTransponder(benchmark::State &state) {
  SwitchTimes(state, "switch, same transponder", kSd, kSdShape, kHd, kHdShape);
}
BENCHMARK(BM_SwitchSameTransponder)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SwitchOtherTransponder(benchmark::State &state) {
  SwitchTimes(state, "switch, other transponder", kSd, kSdShape, kOther, kOtherShape);
}
BENCHMARK(BM_SwitchOtherTransponder)->Iterations(1)->Unit(benchmark::kMillisecond);

// CPU share of the whole process over kShowFor.
double CpuShareFor(Clock::duration wall) {
  const double cpu = ProcessCpu();
  const auto start = Clock::now();
  std::this_thread::sleep_for(wall);
  return (ProcessCpu() - cpu) / std::chrono::duration<double>(Clock::now() - start).count();
}

void ShowCpu(benchmark::State &state, const char *name, TShape shape) {
  TBench &bench = TheBench();
  double playing = 0, tuned = 0, player = 0;
  for (auto _ : state) {
    bench.TimedSwitch(name, shape);
    playing = CpuShareFor(kShowFor);
    bench.session->StopOutput(); // the sky and the tuner alone
    tuned = CpuShareFor(kShowFor);
    bench.TimedSwitch(name, shape);
    player = GstPlayCpuShare(bench.dumps.at(name));
  }
  state.counters["qev_percent"] = 100 * playing;
  state.counters["sky_percent"] = 100 * tuned;
  state.counters["gst_play_percent"] = 100 * player;
  Table().emplace_back(fmt::format("CPU showing {}", name),
                       fmt::format("{:5.1f} %  (sky and tuner alone {:5.1f} %, picture path "
                                   "{:5.1f} %)",
                                   100 * playing, 100 * tuned, 100 * (playing - tuned)));
  Table().emplace_back(fmt::format("CPU gst-play-1.0 {}", name),
                       player < 0 ? std::string("did not run")
                                  : fmt::format("{:5.1f} %", 100 * player));
}

void BM_ShowSdMpeg2(benchmark::State &state) { ShowCpu(state, kSd, kSdShape); }
BENCHMARK(BM_ShowSdMpeg2)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ShowHdH264(benchmark::State &state) { ShowCpu(state, kHd, kHdShape); }
BENCHMARK(BM_ShowHdH264)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::cout << "\n";
  for (const auto &[what, figure] : Table())
    std::cout << fmt::format("{:<44} {}\n", what, figure);
  std::cout << "(CPU in % of one core; the clips have an I-frame every 24 frames, 960 ms)\n";
  return 0;
}
