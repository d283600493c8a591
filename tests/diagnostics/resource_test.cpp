#include "diagnostics/cpu_monitor.h"
#include "diagnostics/proc_readers.h"
#include "diagnostics/resource_channels.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace qev::diagnostics {
namespace {

const std::filesystem::path kData = std::filesystem::path(QEV_DIAGNOSTICS_DATA);

void Write(const std::filesystem::path &path, const std::string &text) {
  std::ofstream(path) << text;
}

TEST(ProcReadersTest, AggregateLineOfProcStat) {
  const auto text = ReadProcFile(kData / "proc_stat.txt");
  ASSERT_TRUE(text);
  const auto times = ParseProcStat(*text);
  ASSERT_TRUE(times);
  EXPECT_EQ(times->Total, 10000u);
  EXPECT_EQ(times->Idle, 8600u);
  EXPECT_FALSE(ParseProcStat("cpu0 1 2 3 4\n"));
  EXPECT_FALSE(ParseProcStat("cpu 1 2\n"));
  EXPECT_FALSE(ReadProcFile(kData / "missing.txt"));
}

TEST(ProcReadersTest, MemoryFiguresOfProcStatus) {
  const TMemStatus status = ParseProcStatus(*ReadProcFile(kData / "proc_status.txt"));
  EXPECT_EQ(status.VmSize, 2300000u);
  EXPECT_EQ(status.VmRSS, 150000u);
  EXPECT_EQ(status.VmHWM, 180000u);
  EXPECT_EQ(status.Private(), 91234u);
  EXPECT_EQ(MemFigure(status, TMemFigure::WorkingSet), 150000u);
  EXPECT_EQ(MemFigure(status, TMemFigure::AddressSpace), 2300000u);
  // A status that cannot be read gives 0, as the charts show it.
  TMemDataChan missing(TMemFigure::WorkingSet, kData / "missing.txt");
  missing.Sample();
  EXPECT_EQ(missing.LstValue(), 0);
  TMemDataChan own(TMemFigure::WorkingSet);
  own.Sample();
  EXPECT_GT(own.LstValue(), 0);
}

// The system's load is the busy share of the aggregate line between two readings.
TEST(CpuMonitorTest, SystemLoadFromTheAggregateLine) {
  test::TTempDir dir("qev_cpu_");
  const auto stat = dir / "stat";
  Write(stat, "cpu  100 0 100 800 0 0 0 0\ncpu0 100 0 100 0 0 0 0 0\n");
  TCpuMonitor monitor(stat);
  EXPECT_EQ(monitor.Mode(), TCpuMonitor::TMode::System);
  // 1000 more ticks, 250 of them idle.
  Write(stat, "cpu  500 0 450 1050 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\n");
  EXPECT_DOUBLE_EQ(monitor.Load(), 0.75);
  EXPECT_EQ(monitor.Load(), 0) << "no time passed since the previous call";
  EXPECT_DOUBLE_EQ(monitor.Load(true), 0.75);
  std::filesystem::remove(stat);
  EXPECT_EQ(monitor.Load(), 0);
}

TEST(CpuMonitorTest, ProcessAndThreadLoadFromTheirClocks) {
  TCpuMonitor process;
  ASSERT_TRUE(process.SelectTarget(::getpid()));
  std::atomic<bool> stop{false};
  std::atomic<pid_t> tid{0};
  std::thread burner([&] {
    tid = static_cast<pid_t>(::syscall(SYS_gettid));
    while (!stop) {
    }
  });
  while (tid == 0)
    std::this_thread::yield();
  TCpuMonitor thread;
  ASSERT_TRUE(thread.SelectTarget(::getpid(), tid));
  EXPECT_EQ(thread.Mode(), TCpuMonitor::TMode::Thread);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double processLoad = process.Load();
  const double threadLoad = thread.Load();
  stop = true;
  burner.join();
  // One busy thread of n processors (on a shared machine it gets what it gets); the share of
  // the machine stays within 0..1.
  const double share = 1.0 / std::max(1u, std::thread::hardware_concurrency());
  EXPECT_GT(processLoad, 0);
  EXPECT_LE(processLoad, 1.0);
  EXPECT_GT(threadLoad, 0);
  EXPECT_LE(threadLoad, share * 1.05);
  EXPECT_FALSE(process.SelectTarget(4194303)) << "above any pid_max";
  EXPECT_EQ(process.Load(), 0);
}

TEST(CpuMonitorTest, ClearingTheChannelRestartsItsAverage) {
  test::TTempDir dir("qev_cpu_");
  const auto stat = dir / "stat";
  Write(stat, "cpu  0 0 0 100 0\n");
  TCpuDataChan channel(0, 0, stat);
  Write(stat, "cpu  100 0 0 100 0\n");
  channel.Sample();
  EXPECT_EQ(channel.LstValue(), 100);
  EXPECT_EQ(channel.Average(), 100);
  channel.Clear();
  Write(stat, "cpu  100 0 0 200 0\n");
  EXPECT_EQ(channel.Average(), 0);
}

} // namespace
} // namespace qev::diagnostics
