// A watcher that follows a whole stream keeps the type of its headers: the pictures between
// them (MPEG-2 slices look like NAL units) and sync-like bytes inside sound frames never
// change it.
#include "video/es_fixtures.h"

#include <gtest/gtest.h>

namespace qev::video {
namespace {

TEST(TEsTypeWatcher, KeepsTheTypeOverEveryPacketOfTheDemoClips) {
  struct TStream {
    const char *Clip;
    std::uint16_t Pid;
    const char *Subtype;
    TMajorType Kind = TMajorType::Video;
  };
  for (const TStream &s :
       {TStream{"s1_10788v", 0x101, "mpeg2"}, TStream{"s1_12188h", 0x101, "mpeg2"},
        TStream{"s1_10788v", 0x201, "h264"}, TStream{"s1_12188h", 0x201, "hevc"}}) {
    SCOPED_TRACE(std::string(s.Clip) + " " + std::to_string(s.Pid));
    const auto path = test::DemoClip(s.Clip);
    if (!std::filesystem::exists(path))
      GTEST_SKIP() << "no demo clip " << path;
    const auto clip = test::ReadFile(path);
    TEsTypeWatcher watcher(s.Kind);
    int changes = 0;
    for (const std::uint8_t *packet : test::PidPackets(clip, s.Pid)) {
      changes += watcher.Feed(packet) ? 1 : 0;
      if (watcher.Current()) {
        ASSERT_EQ(s.Subtype, watcher.Current()->Subtype);
      }
    }
    EXPECT_EQ(1, changes);
  }
}

} // namespace
} // namespace qev::video
