// A live graph kept across channel switches: the demo sky broadcast live into a graph slot
// while the feed restarts, again and again, on channels whose codecs, picture shapes and
// sound differ. Each switch must show the new channel's pictures and sound within a few
// seconds.
#include "live_transponder.h"
#include "pcr_pacer.h"
#include "video/graph_slots.h"
#include "video/gst/gst_graph_factory.h"
#include "video/video_surface.h"

#include "gst_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace qev::video {
namespace {

using testing::TRecordingSurface;
using testing::WaitFor;
using Clock = std::chrono::steady_clock;

constexpr int kSlot = 0;
constexpr std::uint16_t kNone = 0x1FFF;
constexpr std::size_t kPacket = 188;
constexpr auto kSwitchWait = std::chrono::seconds(4);

std::filesystem::path Description(const char *transponder) {
  return std::filesystem::path(QEV_DEMO_DIR) / (std::string(transponder) + ".txt");
}

// A demo transponder broadcast live into a graph slot as the device module delivers it: whole
// packet groups, each group leaving when its PCR says. Tune changes the transponder without a
// gap, as a tuner does that locks at once.
class TLiveFeed {
public:
  TLiveFeed(TGraphSlots &slots, const char *transponder) : slots_(slots) {
    Tune(transponder);
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }

  void Tune(const char *transponder) {
    auto live = std::make_unique<sim::LiveTransponder>(Description(transponder));
    std::lock_guard lock(mutex_);
    live_ = std::move(live);
    pacer_.Reset();
    referencePid_ = -1;
  }

  // Lets the MPEG-2 pictures of the PID through only after the delay, from a PES start on up
  // to the second GOP that starts then (all of them again after the next call): a stream
  // whose type cannot be known at once and whose first header the decoder must not lose.
  void PassOneGop(int pid, Clock::duration delay) {
    std::lock_guard lock(mutex_);
    gop_ = {pid, Clock::now() + delay};
  }

private:
  void Run(std::stop_token stop) {
    std::vector<std::uint8_t> group;
    while (!stop.stop_requested()) {
      const Clock::time_point due = ReadGroup(group);
      std::this_thread::sleep_until(due);
      slots_.FeedData(kSlot, group.data(), static_cast<std::int32_t>(group.size()));
    }
  }

  // The packets up to and with the next PCR of the first PID that carries one (paced by it
  // also while that PID's packets are left out).
  Clock::time_point ReadGroup(std::vector<std::uint8_t> &group) {
    std::lock_guard lock(mutex_);
    group.clear();
    std::uint8_t packet[kPacket];
    for (int read = 0; read < 2000; ++read) {
      live_->Next(packet);
      const int pid = (packet[1] & 0x1F) << 8 | packet[2];
      if (pid != gop_.Pid || gop_.Passes(packet))
        group.insert(group.end(), packet, packet + kPacket);
      const auto pcr = sim::ReadPcr(packet);
      if (pcr && referencePid_ < 0)
        referencePid_ = pid;
      if (pcr && pid == referencePid_)
        return pacer_.Due(*pcr, Clock::now());
    }
    return Clock::now();
  }

  TGraphSlots &slots_;
  std::mutex mutex_;
  std::unique_ptr<sim::LiveTransponder> live_;
  sim::PcrPacer pacer_;
  int referencePid_ = -1;
  struct TGopWindow {
    int Pid = -1;
    Clock::time_point From;
    bool Started = false;
    int Headers = 0;
    bool Passes(const std::uint8_t *packet) {
      const bool unitStart = (packet[1] & 0x40) != 0;
      if (!Started && (!unitStart || Clock::now() < From))
        return false;
      Started = true;
      static constexpr std::uint8_t kSequenceHeader[] = {0, 0, 1, 0xB3};
      if (unitStart && std::search(packet + 4, packet + kPacket, std::begin(kSequenceHeader),
                                   std::end(kSequenceHeader)) != packet + kPacket)
        ++Headers;
      return Headers < 2;
    }
  } gop_;
  std::jthread thread_; // last: runs while everything above lives
};

struct TChannel {
  const char *Name, *Transponder;
  std::uint16_t Video, Audio, Pcr;
  const char *VideoCodec, *AudioCodec;
  int Width, Height, AspectX, AspectY;
  bool Radio() const { return Video == kNone; }
};

const TChannel kQevOne{"QEV One", "s1_10788v", 0x101, 0x102, 0x101, "mpeg2", "mpa", 720, 576, 4, 3};
const TChannel kQevTwoHd{"QEV Two HD", "s1_10788v", 0x201, 0x202, 0x201, "h264",
                         "mpa",        1280,        720,   16,    9};
const TChannel kDemoNews{"Demo News", "s1_12188h", 0x101, 0x102, 0x101, "mpeg2",
                         "mpa",       720,         576,   16,    9};
const TChannel kSuedwestEins{"Suedwest Eins", "s2_11054h", 0x101, 0x102, 0x101, "mpeg2",
                             "mpa",           720,         576,   4,     3};
const TChannel kNordHd{"Nord HD", "s2_11054h", 0x201, 0x202, 0x201, "h264",
                       "ac3",     1280,        720,   16,    9};
const TChannel kOstHd{"Ost HD", "s2_11054h", 0x301, 0x302, 0x301, "h264", "aac", 1280, 720, 16, 9};
const TChannel kSuedwestRadio{
    "Suedwest Radio", "s2_11054h", kNone, 0x401, 0x401, "", "mpa", 0, 0, 0, 0};

// Slot 0 with the default live graph on a recording surface, fed live by the demo sky.
class GstFeedSwitch : public ::testing::Test {
protected:
  void SetUp() override {
    QEV_REQUIRE_ELEMENTS("appsrc", "tsdemux", "decodebin", "appsink", "fakesink", "videobalance",
                         "videocrop", "audiopanorama", "volume");
    if (!std::filesystem::exists(Description("s1_10788v")))
      GTEST_SKIP() << "no demo sky";
    handle_ = RegisterSurface(surface_);
    ASSERT_EQ(0, slots_.CreateGraph(kSlot, kGraphLiveFeed,
                                    std::string(QEV_SHARE_DIR) + "/Graphs/DVB_AV0.GRS", "", false))
        << slots_.LastError(kSlot);
    ASSERT_NE(0u, slots_.AttachWindow(kSlot, handle_, 0)) << slots_.LastError(kSlot);
  }
  void TearDown() override {
    feed_.reset();
    slots_.CloseGraph(kSlot);
    if (handle_ != 0)
      UnregisterSurface(handle_);
  }

  // Switches the kept graph to the channel (tuning first when it is elsewhere) and reports
  // what did not show within the wait.
  // With `pictureLate`, the pictures come only after that time, and for one GOP.
  void SwitchTo(const TChannel &channel, Clock::duration pictureLate = {}) {
    SCOPED_TRACE(std::string("to ") + channel.Name);
    if (!feed_)
      feed_ = std::make_unique<TLiveFeed>(slots_, channel.Transponder);
    else if (tuned_ != channel.Transponder)
      feed_->Tune(channel.Transponder);
    tuned_ = channel.Transponder;
    feed_->PassOneGop(pictureLate > Clock::duration::zero() ? channel.Video : -1, pictureLate);
    ASSERT_EQ(0, slots_.StartFeed(kSlot, channel.Audio, channel.Video, channel.Pcr, 7))
        << slots_.LastError(kSlot);
    const auto before = *slots_.Counts(kSlot);
    const int framesBefore = surface_.Frames();
    const bool shown = WaitFor(
        [&] {
          const auto counts = *slots_.Counts(kSlot);
          const auto frame = surface_.Last();
          const bool picture =
              channel.Radio() ||
              (surface_.Frames() > framesBefore + 2 && frame && frame->Width == channel.Width &&
               frame->Height == channel.Height && frame->AspectX == channel.AspectX &&
               frame->AspectY == channel.AspectY);
          return picture && counts.AudioBuffers > before.AudioBuffers + 5;
        },
        kSwitchWait + std::chrono::duration_cast<std::chrono::milliseconds>(pictureLate));
    const auto frame = surface_.Last();
    EXPECT_TRUE(shown) << "sound buffers "
                       << slots_.Counts(kSlot)->AudioBuffers - before.AudioBuffers << ", pictures "
                       << surface_.Frames() - framesBefore << ", last "
                       << (frame
                               ? std::to_string(frame->Width) + "x" + std::to_string(frame->Height)
                               : std::string("none"));
    const auto audio = slots_.CurrentMediaType(kSlot, TMajorType::Audio);
    ASSERT_TRUE(audio);
    EXPECT_EQ(channel.AudioCodec, audio->Subtype);
    const auto video = slots_.CurrentMediaType(kSlot, TMajorType::Video);
    EXPECT_EQ(channel.Radio(), !video);
    if (video) {
      EXPECT_EQ(channel.VideoCodec, video->Subtype);
    }
  }

  void Alternate(const std::vector<const TChannel *> &round, int rounds) {
    for (int i = 0; i < rounds && !HasFatalFailure(); ++i)
      for (const TChannel *channel : round)
        SwitchTo(*channel);
    const auto counts = *slots_.Counts(kSlot);
    for (const auto &error : counts.Errors)
      ADD_FAILURE() << error;
  }

  TGstGraphFactory factory_{TRenderMode::Count};
  TGraphSlots slots_{factory_};
  TRecordingSurface surface_;
  std::uintptr_t handle_ = 0;
  std::unique_ptr<TLiveFeed> feed_;
  std::string tuned_;
};

TEST_F(GstFeedSwitch, FollowsMpeg2AndH264BackAndForthOnOneTransponder) {
  Alternate({&kQevOne, &kQevTwoHd}, 6);
}

TEST_F(GstFeedSwitch, FollowsEverySoundCodecAndRadioOnOneTransponder) {
  Alternate({&kSuedwestEins, &kNordHd, &kOstHd, &kSuedwestRadio}, 3);
}

TEST_F(GstFeedSwitch, FollowsTheAspectOfMpeg2PicturesOnTheSamePid) {
  Alternate({&kQevOne, &kDemoNews}, 5);
}

// The source announces the sound alone when the pictures' type is not known in time; the
// pictures join the programme with the GOP whose header told their type, the only one here.
TEST_F(GstFeedSwitch, ShowsPicturesWhoseTypeIsKnownOnlyAfterTheSound) {
  SwitchTo(kQevTwoHd);
  for (int i = 0; i < 3 && !HasFatalFailure(); ++i) {
    SwitchTo(kQevOne, std::chrono::milliseconds(2000));
    SwitchTo(kQevTwoHd, std::chrono::milliseconds(2000));
  }
}

} // namespace
} // namespace qev::video
