#include "video/gst/gst_filter_registry.h"
#include "video/known_filters.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::video::gst {
namespace {

TEST(GstFilterRegistryTest, KindsFollowTheFactoryClass) {
  EXPECT_TRUE(ClassFitsKind("Codec/Decoder/Video", kKindVideoDecoder));
  EXPECT_TRUE(ClassFitsKind("Codec/Decoder/Audio", kKindAudioDecoder));
  EXPECT_TRUE(ClassFitsKind("Filter/Effect/Video/Deinterlace", kKindVideoPost));
  EXPECT_FALSE(ClassFitsKind("Codec/Decoder/Video", kKindVideoPost));
  EXPECT_TRUE(ClassFitsKind("Filter/Effect/Audio", kKindAudioPost));
  EXPECT_TRUE(ClassFitsKind("Sink/Video", kKindVideoRender));
  EXPECT_TRUE(ClassFitsKind("Sink/Audio", kKindAudioRender));
  EXPECT_FALSE(ClassFitsKind("Sink/Audio", kKindVideoRender));
  EXPECT_FALSE(ClassFitsKind("Sink/Video", 7));
}

TEST(GstFilterRegistryTest, FactoriesAndAliasesAreCheckedByName) {
  TGstFilterRegistry registry;
  const TFilterRegistration identity = registry.CheckFilterRegistration("identity");
  EXPECT_EQ(identity.Status, kFilterUsable);
  EXPECT_EQ(identity.ClassName, "Identity");
  EXPECT_NE(identity.LibraryPath.find("coreelements"), std::string::npos);
  EXPECT_EQ(registry.CheckFilterRegistration("nosuchfactory").Status, kFilterClassMissing);
  EXPECT_EQ(registry.CheckFilterRegistration("").Status, kFilterNoClassId);
  // The program's own filters are built in and need no library.
  const TFilterRegistration source = registry.CheckFilterRegistration(SourceFilterRecord().ClassId);
  EXPECT_EQ(source.Status, kFilterUsable);
  EXPECT_EQ(source.LibraryPath, "");

  const TFilterPins pins = registry.ListPins("identity");
  EXPECT_TRUE(pins.Listed);
  EXPECT_EQ(pins.Inputs, std::vector<std::string>{"sink"});
  EXPECT_EQ(pins.Outputs, std::vector<std::string>{"src"});
  EXPECT_FALSE(registry.ListPins("nosuchfactory").Listed);
  const auto properties = registry.DescribeProperties("identity");
  EXPECT_TRUE(std::any_of(properties.begin(), properties.end(),
                          [](const std::string &p) { return p.starts_with("name: "); }));
}

TEST(GstFilterRegistryTest, ListsHoldOnlyTheGroupsClassesSortedByName) {
  TGstFilterRegistry registry;
  const auto sinks = registry.ListFilters(kKindVideoRender);
  EXPECT_TRUE(std::any_of(sinks.begin(), sinks.end(),
                          [](const TSystemFilter &f) { return f.ClassId == "fakevideosink"; }));
  EXPECT_TRUE(std::is_sorted(sinks.begin(), sinks.end(),
                             [](const auto &a, const auto &b) { return a.Name < b.Name; }));
  for (const TSystemFilter &filter : registry.ListFilters(kKindAudioDecoder))
    EXPECT_NE(filter.ClassId, "fakevideosink");
  EXPECT_TRUE(registry.ListFilters(0).empty());
}

TEST(GstFilterRegistryTest, RegisteringNeedsALoadablePlugin) {
  TGstFilterRegistry registry;
  EXPECT_EQ(registry.RegisterFilterLibrary("/nonexistent/libgstnone.so"), kRegisterCannotLoad);
  const std::string plugin = registry.CheckFilterRegistration("identity").LibraryPath;
  ASSERT_FALSE(plugin.empty());
  EXPECT_EQ(registry.RegisterFilterLibrary(plugin), kRegisterOk);
  // A shared library that is no plugin lacks the description.
  const std::string core = registry.CheckFilterRegistration("identity").LibraryPath;
  const auto libdir = std::filesystem::path(core).parent_path().parent_path();
  for (const auto &entry : std::filesystem::directory_iterator(libdir)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("libgstreamer-1.0.so")) {
      EXPECT_EQ(registry.RegisterFilterLibrary(entry.path().string()), kRegisterNoEntry);
      return;
    }
  }
  GTEST_SKIP() << "libgstreamer-1.0.so not beside the plugins";
}

} // namespace
} // namespace qev::video::gst
