// The program's guide on the demo sky: collected after the first switch, shown on air in the
// main window, kept in the root across a restart.
#include "app/qev_application.h"
#include "data/date_time.h"
#include "demo_root_test.h"
#include "frame/options.h"
#include "guide/epg_keep.h"
#include "guide/epg_store.h"
#include "guide/guide.h"
#include "ui/qt/form_dvb_main.h"

#include <QLabel>
#include <QTest>
#include <gmock/gmock.h>

#include <fstream>
#include <iterator>

using namespace qev;
namespace fs = std::filesystem;

namespace {

class AppGuide : public test::DemoRootTest {
protected:
  AppGuide() : DemoRootTest("qev-app-guide-") {}
  void TearDown() override {
    frame::Options() = saved_;
    DemoRootTest::TearDown();
  }
  fs::path KeptFile() const { return root / guide::kKeptGuideFile; }

  // Waits until the demo channel's guide has events.
  static bool CollectSome(app::TQevApplication &application) {
    return QTest::qWaitFor([&] { return application.Guide().Store().Count() > 0; }, 15000);
  }
  // An event on air for an hour, as the air would bring it.
  static bool AddEventOnAir(app::TQevApplication &application) {
    guide::TEpgEvent event;
    event.OriginalNetworkId = event.ServiceId = event.EventId = 0x77;
    event.StartTime = static_cast<std::uint32_t>(data::NowUtc());
    event.Duration = 3600;
    event.Name = "Kept";
    return application.Guide().Store().Insert(event);
  }

private:
  frame::TOptions saved_ = frame::Options();
};

TEST_F(AppGuide, TheMainWindowShowsTheProgrammeOnAirFromTheGuide) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  EXPECT_TRUE(application.Guide().Collecting());
  auto *event = application.MainWindow()->findChild<QLabel *>("eventPanel");
  ASSERT_TRUE(event);
  // The panel looks again once a second while it has nothing.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !event->text().isEmpty(); }, 15000));
  application.RequestClose();
  EXPECT_FALSE(application.Guide().Collecting());
}

TEST_F(AppGuide, TheGuideIsKeptAcrossARestart) {
  std::size_t kept = 0;
  {
    app::TQevApplication application(SimDeviceOptions(), PlacementFile());
    ASSERT_TRUE(application.Start());
    ASSERT_TRUE(CollectSome(application));
    // Saved with the options: the next run collects nothing, so all it has is what was kept.
    frame::Options().General.EpgBgParser = false;
    application.RequestClose();
    kept = application.Guide().Store().Count();
    EXPECT_TRUE(application.ShutdownSteps().SaveFailures().empty());
  }
  ASSERT_TRUE(fs::exists(KeptFile()));
  app::TQevApplication again(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(again.Start());
  EXPECT_FALSE(again.Guide().Collecting());
  // Only events that have not ended come back; the start channel's tune keeps them.
  EXPECT_GT(again.Guide().Store().Count(), 0u);
  EXPECT_LE(again.Guide().Store().Count(), kept);
  again.RequestClose();
}

TEST_F(AppGuide, WithoutEpgKeepNothingIsWrittenOrRead) {
  {
    app::TQevApplication application(SimDeviceOptions(), PlacementFile());
    ASSERT_TRUE(application.Start());
    frame::Options().General.EpgKeep = false;
    ASSERT_TRUE(AddEventOnAir(application));
    application.RequestClose();
  }
  EXPECT_FALSE(fs::exists(KeptFile()));
}

TEST_F(AppGuide, AKeptGuideThatCannotBeReadIsLeftAsItIs) {
  const std::string junk = "not a kept guide";
  { std::ofstream(KeptFile(), std::ios::binary) << junk; }
  {
    app::TQevApplication application(SimDeviceOptions(), PlacementFile());
    ASSERT_TRUE(application.Start());
    ASSERT_TRUE(AddEventOnAir(application));
    application.RequestClose();
    EXPECT_TRUE(application.ShutdownSteps().SaveFailures().empty());
  }
  std::ifstream in(KeptFile(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), junk);
}

TEST_F(AppGuide, AFailedSaveOfTheGuideAtTheCloseReachesTheUser) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  ASSERT_TRUE(AddEventOnAir(application));
  // A folder in the file's place (with something in it) cannot be replaced by the file.
  fs::create_directories(KeptFile() / "inside");
  application.RequestClose();
  const auto failures = application.ShutdownSteps().SaveFailures();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_THAT(failures[0], ::testing::HasSubstr("The guide could not be kept"));
  ASSERT_FALSE(presenter.shown.empty());
  EXPECT_THAT(presenter.shown.back().text, ::testing::HasSubstr("The guide could not be kept"));
}

} // namespace
