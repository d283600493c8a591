#include "diagnostics/packet_builder.h"
#include "diagnostics/qt/fake_packet_source.h"
#include "diagnostics/qt/form_bitrate_viewer.h"
#include "diagnostics/qt/form_res_monitor.h"
#include "diagnostics/qt/form_ts_statistics.h"
#include "diagnostics/qt/hist_scope.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace qev::diagnostics {
namespace {

using test::MakePacket;
using test::PesStart;

// A transponder's worth of PIDs: video, two sounds (one scrambled half the time), PAT, EIT.
std::vector<std::uint8_t> MixedBlock() {
  std::vector<std::uint8_t> block;
  for (int i = 0; i < 16; ++i) {
    test::Append(block, MakePacket({.pid = 0x200, .cc = i, .bytes = PesStart(0xE0)}));
    test::Append(block, MakePacket({.pid = 0x200, .start = false, .cc = i}));
  }
  for (int i = 0; i < 8; ++i) {
    test::Append(block, MakePacket({.pid = 0x280, .cc = i, .bytes = PesStart(0xC0)}));
    test::Append(
        block,
        MakePacket({.pid = 0x290, .scrambling = i % 2 ? 0 : 2, .cc = i, .bytes = PesStart(0xC0)}));
  }
  test::Append(block, MakePacket({.pid = 0x0, .bytes = {0, 0x00, 0xB0}}));
  test::Append(block, MakePacket({.pid = 0x12, .bytes = {0, 0x4E, 0xF0}}));
  return block;
}

TEST(HistScopeTest, DrawsTheNewestSampleAtTheRightEdgeInItsColour) {
  THistScope scope;
  scope.resize(100, 51);
  scope.Model().AutoUpdate = false;
  scope.ApplyTimer();
  TDataChannel &channel = scope.Model().AddChannel();
  channel.Color = 0x0000FF; // red
  channel.OnDataFeed = [] { return 100; };
  scope.Update();
  scope.Update();
  const QImage image = scope.grab().toImage();
  EXPECT_EQ(image.pixelColor(99, 0), QColor(255, 0, 0));
  channel.OnDataFeed = [] { return 0; };
  scope.Update();
  EXPECT_EQ(scope.grab().toImage().pixelColor(99, 50), QColor(255, 0, 0)) << "0 on the bottom row";
}

TEST(ResMonitorTest, FiveChartsFeedTheLoadBarAndShowFigures) {
  std::vector<int> loads;
  TFormResMonitor monitor({[] { return 73; }, [&loads](int v) { loads.push_back(v); }});
  monitor.resize(260, 520);
  for (int i = 0; i < 30; ++i)
    monitor.SampleAll();
  monitor.RefreshFigures();
  ASSERT_EQ(loads.size(), 30u);
  for (int v : loads) {
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 100);
  }
  EXPECT_EQ(monitor.Chart(0).Model().Channel(0).LstValue(), 73);
  EXPECT_EQ(monitor.Chart(0).Model().Channel(0).Legend(), "Sig 73%");
  EXPECT_GT(monitor.Chart(3).Model().Channel(0).LstValue(), 0) << "working set in KB";
  EXPECT_GE(monitor.Chart(3).Model().Channel(0).RangeMax(),
            monitor.Chart(3).Model().Channel(0).LstValue())
      << "memory charts scale themselves";
  EXPECT_TRUE(monitor.findChild<QLabel *>("workingSet")->text().endsWith(" K"));
  EXPECT_NE(monitor.findChild<QLabel *>("workingSet")->text(), "0 K");
  EXPECT_EQ(LoadBarValue(250), 100);
  EXPECT_EQ(LoadBarValue(-3), 0);
  test::SaveScreenshot(monitor, "resource_monitor");
}

TEST(TsStatisticsWindowTest, ListsEveryPidWithRatesWhileTheDeviceDelivers) {
  test::TFakePacketSource source;
  auto window = std::make_unique<TFormTsStatistics>(source);
  ASSERT_TRUE(window->FilterRunning());
  EXPECT_EQ(window->List().Rows().size(), 0u);
  // The device's thread delivers while the window refreshes: a race stress for TSan too.
  source.StartPump(kAllPids, MixedBlock());
  for (int i = 0; i < 20; ++i) {
    QTest::qWait(60);
    window->Refresh();
  }
  source.StopPump();
  window->Refresh();
  const auto &rows = window->List().Rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].Pid, 0x200) << "highest rate first";
  std::map<std::uint16_t, std::string> types;
  for (const TStatRow &row : rows)
    types[row.Pid] = RowTypeText(row);
  EXPECT_EQ(types[0x0], "SI PAT");
  EXPECT_EQ(types[0x12], "SI EIT");
  EXPECT_EQ(types[0x280], "PES AUD");
  EXPECT_EQ(types[0x290], "Scrambled");
  window->resize(460, 200);
  window->show();
  test::SaveScreenshot(*window, "ts_statistics");
  window->accept();
  EXPECT_EQ(source.Running(), 0u) << "closing stops the filter";
}

TEST(TsStatisticsWindowTest, NoPacketsLeaveTheRateColumnEmpty) {
  test::TFakePacketSource source;
  TFormTsStatistics window(source);
  source.Deliver(kAllPids, MixedBlock());
  // The packets fall into the first interval; in the next nothing arrives.
  for (int i = 0; i < 2; ++i) {
    QTest::qWait(5);
    window.Refresh();
  }
  auto *view = window.findChild<QTableView *>("pidList");
  ASSERT_EQ(view->model()->rowCount(), 5);
  EXPECT_EQ(view->model()->index(0, 1).data().toString(), "");
  EXPECT_EQ(view->model()->index(0, 0).data().toString().size(), 4);
}

data::TChannelRec Channel() {
  data::TChannelRec rec{};
  data::SetChName(rec, "Bitrate One");
  rec.Freq = 11778000;
  rec.VidPid = 0x200;
  rec.AudPid = 0x280;
  const std::pair<std::uint16_t, std::uint8_t> streams[] = {{0x200, 1}, {0x280, 2}, {0x290, 3}};
  for (const auto &[pid, kind] : streams) {
    rec.EsList[rec.EsCount].Pid = pid;
    rec.EsList[rec.EsCount].Kind = kind;
    ++rec.EsCount;
  }
  return rec;
}

TEST(BitrateViewerTest, NothingTickedWarnsAndStartsNothing) {
  test::ScriptedPresenter presenter;
  test::TFakePacketSource source;
  TFormBitrateViewer viewer(source, Channel());
  EXPECT_EQ(viewer.windowTitle(), "Bitrate Viewer: Bitrate One");
  auto *list = viewer.findChild<QTreeWidget *>("streamList");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "0200");
  EXPECT_EQ(list->topLevelItem(2)->checkState(0), Qt::Unchecked);
  list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
  viewer.StartRun(60);
  EXPECT_EQ(presenter.Texts(), (std::vector<std::string>{"No stream selected..."}));
  EXPECT_EQ(source.started, 0);
  EXPECT_FALSE(viewer.Meter().Running());
}

TEST(BitrateViewerTest, ATimedRunStopsByItselfAndLegendsShowTheAverage) {
  test::TFakePacketSource source;
  TFormBitrateViewer viewer(source, Channel());
  viewer.StartRun(3);
  EXPECT_EQ(source.Running(), 2u) << "the ticked video and sound";
  std::vector<std::uint8_t> block;
  for (int i = 0; i < 200; ++i)
    test::Append(block, MakePacket({.pid = 0x200, .cc = i}));
  for (int tick = 0; tick < 3; ++tick) {
    source.Deliver(0x200, block);
    source.Deliver(0x280, std::vector<std::uint8_t>(block.begin(), block.begin() + 188 * 20));
    QTest::qWait(30);
    viewer.Tick();
  }
  EXPECT_FALSE(viewer.Meter().Running());
  EXPECT_EQ(source.Running(), 0u);
  const TDataChannel &video = viewer.VideoChart().Model().Channel(0);
  EXPECT_TRUE(video.Visible);
  EXPECT_GT(viewer.Meter().Entries()[0].AverageRate, 0);
  EXPECT_EQ(video.Legend(),
            fmt::format("0200: {:3} KB/s", viewer.Meter().Entries()[0].AverageRate));
  EXPECT_EQ(video.Color, ChartPalette(0));
  EXPECT_EQ(viewer.AudioChart().Model().Channel(0).Color, ChartPalette(1));
  EXPECT_FALSE(viewer.AudioChart().Model().Channel(1).Visible) << "the unticked AC-3";
  viewer.resize(520, 480);
  viewer.show();
  test::SaveScreenshot(viewer, "bitrate_viewer");
}

} // namespace
} // namespace qev::diagnostics
