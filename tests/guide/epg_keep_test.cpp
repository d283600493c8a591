#include "guide/epg_keep.h"
#include "guide/epg_store.h"
#include "si/crc32_mpeg.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace qev::guide {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1'700'000'000;

TEpgEvent Event(std::uint16_t eventId, std::uint32_t start, std::uint32_t duration) {
  TEpgEvent e;
  e.OriginalNetworkId = 1;
  e.TransportStreamId = 1101;
  e.ServiceId = 28106;
  e.EventId = eventId;
  e.StartTime = start;
  e.Duration = duration;
  e.HasShortEvent = true;
  e.Content = 0x23;
  e.MinAge = 12;
  e.Language = "DEU";
  e.Name = "Name " + std::to_string(eventId);
  e.ShortText = "Kurz";
  e.Items = "Regie:X\r";
  e.ExtendedText = std::string(300, '\xE4');
  return e;
}

class KeptGuide : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qev-guide-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    file = dir / kKeptGuideFile;
    store.Insert(Event(1, kNow - 7200, 3600)); // ended
    store.Insert(Event(2, kNow - 600, 600));   // ends now: still on air
    store.Insert(Event(3, kNow + 100, 1800));
    ASSERT_EQ(SaveKeptGuide(store, file, kNow), "");
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Bytes() const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Write(const std::string &bytes) const {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }
  // Loading adds nothing and names a reason.
  void ExpectRefused(const std::string &why) {
    TEpgStore loaded;
    std::string error;
    EXPECT_FALSE(LoadKeptGuide(loaded, file, kNow, error)) << why;
    EXPECT_NE(error, "") << why;
    EXPECT_EQ(loaded.Count(), 0u) << why;
  }

  fs::path dir, file;
  TEpgStore store;
};

TEST_F(KeptGuide, RoundTripKeepsEventsThatHaveNotEnded) {
  TEpgStore loaded;
  std::string error;
  ASSERT_TRUE(LoadKeptGuide(loaded, file, kNow, error)) << error;
  EXPECT_EQ(error, "");
  ASSERT_EQ(loaded.Count(), 2u);
  const TEpgEvent expected = Event(2, kNow - 600, 600);
  const TEpgEvent got = *loaded.Get(0);
  EXPECT_EQ(got.OriginalNetworkId, expected.OriginalNetworkId);
  EXPECT_EQ(got.TransportStreamId, expected.TransportStreamId);
  EXPECT_EQ(got.ServiceId, expected.ServiceId);
  EXPECT_EQ(got.EventId, expected.EventId);
  EXPECT_EQ(got.StartTime, expected.StartTime);
  EXPECT_EQ(got.Duration, expected.Duration);
  EXPECT_EQ(got.HasShortEvent, expected.HasShortEvent);
  EXPECT_EQ(got.Content, expected.Content);
  EXPECT_EQ(got.MinAge, expected.MinAge);
  EXPECT_EQ(got.Language, expected.Language);
  EXPECT_EQ(got.Name, expected.Name);
  EXPECT_EQ(got.ShortText, expected.ShortText);
  EXPECT_EQ(got.Items, expected.Items);
  EXPECT_EQ(got.ExtendedText, expected.ExtendedText);
  // Loaded later, the events that ended meanwhile stay out; stored events keep their copy.
  TEpgStore later;
  later.Insert(Event(3, kNow + 100, 1800));
  ASSERT_TRUE(LoadKeptGuide(later, file, kNow + 1, error));
  EXPECT_EQ(later.Count(), 1u);
}

TEST_F(KeptGuide, AMissingFileIsAnEmptyGuide) {
  TEpgStore loaded;
  std::string error;
  EXPECT_TRUE(LoadKeptGuide(loaded, dir / "none.dat", kNow, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(loaded.Count(), 0u);
}

TEST_F(KeptGuide, DamagedFilesAddNothing) {
  const std::string good = Bytes();
  std::string flipped = good;
  flipped[good.size() - 5] ^= 0x20;
  Write(flipped);
  ExpectRefused("flipped payload bit");
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{5}, std::size_t{19}, good.size() / 2, good.size() - 1}) {
    Write(good.substr(0, cut));
    ExpectRefused("cut at " + std::to_string(cut));
  }
  Write(good + "x");
  ExpectRefused("trailing byte");
  std::string version = good;
  version[8] = 2;
  Write(version);
  ExpectRefused("version");
  std::string foreign = good;
  foreign[0] = 'X';
  Write(foreign);
  ExpectRefused("magic");
  std::string count = good;
  count[12] = 3; // one event more than the payload holds, checksum intact
  Write(count);
  ExpectRefused("count");
  count[12] = '\xFF';
  count[13] = count[14] = count[15] = '\xFF';
  Write(count);
  ExpectRefused("huge count");
}

// A text length beyond the payload, with a checksum that matches: the lengths themselves are
// checked.
TEST_F(KeptGuide, LengthsAreCheckedAgainstTheBytesLeft) {
  TEpgStore one;
  TEpgEvent e = Event(9, kNow, 60);
  e.Language = e.Name = e.ShortText = e.Items = e.ExtendedText = "";
  one.Insert(e);
  ASSERT_EQ(SaveKeptGuide(one, file, kNow), "");
  std::string bytes = Bytes();
  // The last text's length field ends the file; claim 0x7FFFFFFF bytes.
  bytes.replace(bytes.size() - 4, 4, "\xFF\xFF\xFF\x7F");
  // Keep the checksum right, so only the length check can refuse it.
  const std::uint32_t crc =
      si::Crc32Mpeg({reinterpret_cast<const std::uint8_t *>(bytes.data()) + 20, bytes.size() - 20});
  for (int i = 0; i < 4; ++i)
    bytes[16 + i] = static_cast<char>(crc >> (8 * i));
  TEpgStore scratch;
  std::string error;
  Write(bytes);
  EXPECT_FALSE(LoadKeptGuide(scratch, file, kNow, error));
  EXPECT_NE(error.find("do not fit"), std::string::npos) << error;
  EXPECT_EQ(scratch.Count(), 0u);
}

TEST_F(KeptGuide, AnUnreadableFileIsNotMissingAndIsNotWrittenOver) {
  fs::remove(file);
  fs::create_directory(file); // a folder where the file belongs cannot be read
  ExpectRefused("folder");
  EXPECT_NE(SaveKeptGuide(store, file, kNow), "");
  EXPECT_TRUE(fs::is_directory(file));
}

} // namespace
} // namespace qev::guide
