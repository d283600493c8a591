// The sample plugin in the program on the demo sky: found in the new root's Plugins folder,
// told the channel once the main video plays, counting the data of its filter, and closed
// while the device module is still loaded.
#include "app/plugin_link.h"
#include "app/qev_application.h"
#include "demo_root_test.h"
#include "plugins/plugin_host.h"

#include <QTest>

#include <algorithm>

using namespace qev;

namespace {

class AppPlugins : public test::DemoRootTest {
protected:
  AppPlugins() : DemoRootTest("qev-app-plugins-") {}
};

std::uint64_t SampleBytes(const plugins::TPluginHost &host) {
  const auto filters = host.Filters();
  return filters.empty() ? 0 : filters.front().Bytes;
}

TEST_F(AppPlugins, SamplePluginCountsTheChannelsDataAndClosesBeforeTheModule) {
  app::TQevApplication application(SimDeviceOptions(), PlacementFile());
  ASSERT_TRUE(application.Start());
  plugins::TPluginHost &host = application.Plugins().Host();
  ASSERT_EQ(host.Count(), 1);
  EXPECT_EQ(host.Entry(0).DllName, "qev_sample.so");
  EXPECT_EQ(host.Entry(0).PluginName, "QEV Sample Counter");
  EXPECT_FALSE(host.Entry(0).Menu.empty());

  ASSERT_TRUE(QTest::qWaitFor([&] { return SampleBytes(host) > 0; }, 15000));
  const std::uint64_t first = SampleBytes(host);
  EXPECT_TRUE(QTest::qWaitFor([&] { return SampleBytes(host) > first; }, 5000));

  application.RequestClose();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.ShutDown(); }, 15000));
  EXPECT_TRUE(host.Filters().empty());
  const auto lines = host.Log().Lines();
  EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const plugins::TPluginLogLine &line) {
    return line.Text.find("DEL Filter ERROR") != std::string::npos;
  })) << "every plugin filter was closed on the loaded module";
}

} // namespace
