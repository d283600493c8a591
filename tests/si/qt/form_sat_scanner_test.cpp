// The scanner window: its lists and counters, and a scan of the demo sky through the simulator
// module driven as a user does, up to the merge's report.
#include "si/qt/form_sat_scanner.h"

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/message_pump.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/ui_dispatcher.h"
#include "si/device_filter_source.h"
#include "si/scan_texts.h"
#include "support/screenshot.h"
#include "support/scripted_presenter.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qev::si::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

// Only a broken scan takes this long: the demo's tables come many times a second.
constexpr int kScanDeadlineMs = 90000;

void IgnoreCallback(std::int32_t, std::int32_t, void *) {}

// A window over its own satellite, lists and options in a root seeded with the demo sky.
class ScannerWindowTest : public ::testing::Test {
protected:
  ScannerWindowTest()
      : root(fs::temp_directory_path() / ("qev-scanner-" + std::to_string(::getpid()))) {}

  void SetUp() override {
    fs::remove_all(root);
    ASSERT_EQ(frame::SeedRoot(root, QEV_SHARE_DIR), "");
    frame::SetPaths(frame::TAppPaths(root));
    ASSERT_TRUE(sats.SatLoad());
    ASSERT_GE(sats.Count(), 1);
    sat = sats.At(0);
  }
  void TearDown() override {
    if (form)
      form->close();
    delete form.data();
    if (device::Device().Loaded())
      device::Device().Unload();
    device::LoadedSat().Clear();
    fs::remove_all(root);
  }

  TScannerWindowLinks Links(SectionFilterSource &filters) {
    TScanLinks scan{device::Tuner(), filters, options, lists, {}, {}, nullptr, nullptr, {}, {}};
    scan.LastRequest = [] { return device::Tuner().LastRequest(); };
    scan.SignalPercent = [] { return device::SignalDisplay(device::Tuner().Status()).level; };
    scan.Hub = &hub;
    scan.Dispatcher = frame::CurrentDispatcher();
    scan.KeepAlive = frame::PumpMessages;
    scan.Now = [] { return 1.7e9; };
    TScannerWindowLinks links{.Scan = std::move(scan)};
    links.Signal = [] { return device::SignalDisplay(device::Tuner().Status()); };
    return links;
  }

  void Open(SectionFilterSource &filters, TScanSatellite satellite,
            std::optional<data::TTransponder> one = std::nullopt) {
    form = new TFormSatScanner(nullptr, Links(filters), std::move(satellite), one);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.data()));
  }

  void LoadSimulator() {
    ASSERT_EQ(device::LoadDeviceModule(device::Device(), root / "Devices/Dev_Sim.int",
                                       &IgnoreCallback, nullptr),
              device::kLoaded);
    device::LoadedSat().Load(sat);
  }
  void MarkAll() {
    auto *list = Find<QTreeWidget>("TransponderList");
    list->setFocus();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      list->setCurrentItem(list->topLevelItem(row));
      QTest::keyClick(list, Qt::Key_Space);
    }
  }
  bool WaitForScanDone() {
    return QTest::qWaitFor([this] { return LogPage("Scan").contains(kScanDone); }, kScanDeadlineMs);
  }

  template <typename Widget> Widget *Find(const char *name) {
    auto *widget = form->findChild<Widget *>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString LabelText(const char *name) { return Find<QLabel>(name)->text(); }

  // The messages of a log page, by its category.
  QStringList LogPage(const QString &category) {
    auto *tabs = Find<QTabWidget>("LogTabs");
    for (int i = 0; i < tabs->count(); ++i) {
      if (!tabs->tabText(i).endsWith("-" + category))
        continue;
      QStringList lines;
      auto *list = static_cast<QListWidget *>(tabs->widget(i));
      for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
      return lines;
    }
    return {};
  }

  const fs::path root;
  qev::test::ScriptedPresenter presenter;
  frame::TOptions options;
  frame::TNotificationHub hub;
  data::TSatList sats;
  data::TChannelLists lists{sats};
  data::TSatRec sat{};
  QPointer<TFormSatScanner> form;
};

// Refuses every filter: enough for a window that is not asked to scan.
class NoFilters final : public SectionFilterSource {
public:
  std::int32_t OpenFilter(std::uint16_t, const SectionTableFilter &, DataCallback) override {
    return 0;
  }
  void CloseFilter(std::int32_t) override {}
};

TEST_F(ScannerWindowTest, MarksCountAndEnableTheRunButtons) {
  NoFilters filters;
  Open(filters, LoadScanSatellite(sat));
  EXPECT_EQ(form->windowTitle(), ScannerTitle(sat));
  EXPECT_TRUE(form->windowTitle().startsWith("Sat Scanner :: ("));
  auto *list = Find<QTreeWidget>("TransponderList");
  const int count = form->Engine().Satellite().Transponders.Count();
  ASSERT_GE(count, 2);
  EXPECT_EQ(list->topLevelItemCount(), count);
  EXPECT_EQ(LabelText("TransponderCount"), QString("0/%1 transponders").arg(count));
  EXPECT_FALSE(Find<QPushButton>("ScanAllButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("SignalTestButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("UpdateButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("AbortButton")->isVisible());

  // Space on the focused entry ticks its box.
  list->setFocus();
  list->setCurrentItem(list->topLevelItem(1));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);
  EXPECT_TRUE(form->Engine().Satellite().Transponders.TpMarked(1));
  EXPECT_EQ(LabelText("TransponderCount"), QString("1/%1 transponders").arg(count));
  EXPECT_TRUE(Find<QPushButton>("ScanAllButton")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("SignalTestButton")->isEnabled());
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_FALSE(Find<QPushButton>("ScanAllButton")->isEnabled());
  EXPECT_EQ(form->Engine().Satellite().Transponders.MarkedCount(), 0);
}

TEST_F(ScannerWindowTest, DeleteRemovesTheSelectedBlindLine) {
  NoFilters filters;
  TScanSatellite satellite = LoadScanSatellite(sat);
  satellite.Blind = {data::MakeTransponder(10700, 'H', 22000),
                     data::MakeTransponder(10714, 'V', 22000),
                     data::MakeTransponder(10729, 'H', 22000)};
  Open(filters, std::move(satellite));
  auto *blind = Find<QListWidget>("BlindList");
  ASSERT_EQ(blind->count(), 3);
  EXPECT_EQ(LabelText("BlindCount"), "3 without signal");
  blind->setFocus();
  blind->setCurrentRow(1);
  QTest::keyClick(blind, Qt::Key_Delete);
  ASSERT_EQ(blind->count(), 2);
  EXPECT_EQ(blind->item(1)->text(), "10729,H,22000");
  EXPECT_EQ(LabelText("BlindCount"), "2 without signal");
  ASSERT_EQ(form->Engine().Satellite().Blind.size(), 2u);
  EXPECT_EQ(data::TpText(form->Engine().Satellite().Blind[1]), "10729,H,22000");
}

TEST_F(ScannerWindowTest, OneTransponderHidesTheListsAndShowsIt) {
  NoFilters filters;
  Open(filters, LoadScanSatellite(sat), data::MakeTransponder(11778, 'V', 27500));
  EXPECT_FALSE(Find<QWidget>("ListsPanel")->isVisible());
  EXPECT_TRUE(Find<QPushButton>("ScanButton")->isVisible());
  EXPECT_EQ(data::TpText(form->Engine().Current()), "11778,V,27500");
  EXPECT_EQ(Find<QWidget>("FreqEdit")->property("text").toString(), "11778");
  EXPECT_EQ(Find<QWidget>("SRateEdit")->property("text").toString(), "27500");
}

TEST_F(ScannerWindowTest, SourcesAddSatcodxTranspondersAndOfferTheWebLists) {
  const fs::path sources = root / "WebUpdTP.cfg";
  std::ofstream(sources) << "; lists\nFirst list|http://one.example/<N>.ini\n\n"
                            "Second list|http://two.example/<L>.ini\n";
  NoFilters filters;
  TScanSatellite satellite = LoadScanSatellite(sat);
  const int before = satellite.Transponders.Count();
  data::TSdxItem item;
  item.FreqMHz = 10700;
  item.Polar = 'H';
  item.SRate = 22000;
  satellite.Sdx.Items = {item};
  TScannerWindowLinks links = Links(filters);
  links.WebSourcesFile = sources;
  std::vector<std::string> asked;
  links.Download = [&](const std::string &address, std::string &) {
    asked.push_back(address);
    return std::optional<std::string>("[SATTYPE]\n1=0192\n[DVB]\n0=1\n1=12722,V,22000\n");
  };
  form = new TFormSatScanner(nullptr, std::move(links), std::move(satellite));
  form->show();

  form->findChild<QAction *>("SdxSourceItem")->trigger();
  EXPECT_EQ(LabelText("TransponderCount"), QString("0/%1 transponders").arg(before + 1));
  auto *list = Find<QTreeWidget>("TransponderList");
  EXPECT_EQ(list->topLevelItem(0)->text(0), "10700") << "kept in frequency order";

  QStringList captions;
  QList<QAction *> web;
  for (QAction *action : form->findChildren<QAction *>("WebSourceItem")) {
    captions << action->text();
    web << action;
  }
  ASSERT_EQ(captions, (QStringList{"First list", "Second list"}));
  web[1]->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == before + 2; }));
  EXPECT_EQ(asked, std::vector<std::string>{"http://two.example/" + data::PositionText(sat.SatPos) +
                                            ".ini"});
  EXPECT_EQ(list->topLevelItemCount(), before + 2);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ScannerWindowTest, WithoutADownloadThereAreNoWebSources) {
  std::ofstream(root / "WebUpdTP.cfg") << "First list|http://one.example/<N>.ini\n";
  NoFilters filters;
  TScannerWindowLinks links = Links(filters);
  links.WebSourcesFile = root / "WebUpdTP.cfg";
  form = new TFormSatScanner(nullptr, std::move(links), LoadScanSatellite(sat));
  EXPECT_TRUE(form->findChildren<QAction *>("WebSourceItem").isEmpty());
  EXPECT_FALSE(form->findChild<QAction *>("SdxSourceItem")->isEnabled()) << "no SATCODX items";
}

TEST_F(ScannerWindowTest, DoubleClickOnATransponderTunesIt) {
  LoadSimulator();
  TDeviceFilterSource filters(device::Device());
  Open(filters, LoadScanSatellite(sat));
  auto *list = Find<QTreeWidget>("TransponderList");
  QTreeWidgetItem *item = list->topLevelItem(1);
  const QRect cell = list->visualItemRect(item);
  // A double click as a mouse gives it: a click, then the second press.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QProgressBar>("LevelBar")->value() > 0; },
                              kScanDeadlineMs));
  EXPECT_EQ(data::TpText(form->Engine().Current()),
            data::TpText(form->Engine().Satellite().Transponders.TpGet(1)));
  EXPECT_EQ(Find<QWidget>("FreqEdit")->property("text").toString(), item->text(0));
  EXPECT_EQ(device::Tuner().LastRequest().Frequency / 1000, item->text(0).toUInt());
}

// The whole way on the demo sky: Dev_Sim.int loaded as the program loads it, every transponder
// of the first satellite marked and scanned, the result merged into its channel list.
TEST_F(ScannerWindowTest, ScanOfTheDemoSatelliteMergesIntoItsList) {
  LoadSimulator();
  TDeviceFilterSource filters(device::Device());
  Open(filters, LoadScanSatellite(sat));
  MarkAll();
  const int count = Find<QTreeWidget>("TransponderList")->topLevelItemCount();
  ASSERT_EQ(form->Engine().Satellite().Transponders.MarkedCount(), count);

  QTest::mouseClick(Find<QPushButton>("ScanAllButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitForScanDone()) << LogPage("Scan").join("\n").toStdString();
  QTest::qWait(50); // the run's end reaches the buttons
  const QStringList scanned = LogPage("Scan");
  EXPECT_EQ(scanned.first(), kScanStart);
  EXPECT_EQ(scanned.filter(" channels").size(), count);
  EXPECT_FALSE(Find<QPushButton>("AbortButton")->isVisible());
  EXPECT_GT(Find<QListWidget>("NewServicesList")->count(), 0);
  EXPECT_GT(Find<QProgressBar>("LevelBar")->value(), 0);
  qev::test::SaveScreenshot(*form, "sat_scanner_demo");

  // The page's menu copies its messages.
  auto *page = Find<QTabWidget>("LogTabs")->widget(0);
  auto *copy = page->findChild<QAction *>("CopyLogItem");
  ASSERT_NE(copy, nullptr);
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts), scanned);

  auto *update = Find<QPushButton>("UpdateButton");
  ASSERT_TRUE(update->isEnabled());
  QTest::mouseClick(update, Qt::LeftButton);
  ASSERT_FALSE(presenter.shown.empty());
  const std::string report = presenter.shown.back().text;
  EXPECT_THAT(report, HasSubstr(" scanned channels was saved in "));
  EXPECT_THAT(report, HasSubstr("\r" + std::string(60, '-') + "\r"));
  // The demo's lists were written from the same tables: nothing new, nothing gone.
  EXPECT_THAT(report, ContainsRegex("New = 0 , Updated = [0-9]+ , Unchanged = [0-9]+ , "
                                    "Removed = 0$"));
  EXPECT_FALSE(update->isEnabled());
  EXPECT_TRUE(form->Engine().Saved());
}

TEST_F(ScannerWindowTest, ClosingWithUnmergedResultsOffersTheUpdate) {
  LoadSimulator();
  TDeviceFilterSource filters(device::Device());
  TScanSatellite satellite = LoadScanSatellite(sat);
  const data::TTransponder tp = satellite.Transponders.TpGet(0);
  Open(filters, std::move(satellite), tp);
  QTest::mouseClick(Find<QPushButton>("ScanButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitForScanDone());
  EXPECT_EQ(LogPage("Scan").filter(QString::fromStdString(data::TpText(tp))).size(), 1);

  presenter.AnswerNext(true);
  form->close();
  EXPECT_FALSE(form->isVisible());
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[0].text, kAskUpdateNow);
  EXPECT_THAT(presenter.shown[1].text, HasSubstr("New = 0 ,"));
  EXPECT_TRUE(form->Engine().Saved());
}

// A window closed while its scan runs must not go before the scan has stopped.
TEST_F(ScannerWindowTest, ClosingDuringAScanAbortsItFirst) {
  LoadSimulator();
  TDeviceFilterSource filters(device::Device());
  Open(filters, LoadScanSatellite(sat));
  MarkAll();
  // The scan keeps the window alive from inside the click's handling: the close comes from
  // there too, as a user's would.
  bool stillShown = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!form->Engine().Running())
      return;
    closer.stop();
    form->close();
    stillShown = form->isVisible();
  });
  closer.start(1);
  QTest::mouseClick(Find<QPushButton>("ScanAllButton"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.isActive(); }, kScanDeadlineMs));
  EXPECT_TRUE(stillShown);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); }, kScanDeadlineMs));
  EXPECT_FALSE(form->Engine().Running());
  EXPECT_FALSE(LogPage("Scan").contains(kScanDone));
}

} // namespace
} // namespace qev::si::test
