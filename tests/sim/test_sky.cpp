#include "sim/test_sky.h"

#include "multiplexer.h"

#include <fmt/format.h>

#include <fstream>
#include <unistd.h>
#include <vector>

namespace qev::sim::test {

namespace fs = std::filesystem;

const fs::path &TestSky::Folder() {
  static const fs::path folder = [] {
    const fs::path path = fs::temp_directory_path() / fmt::format("qev_sim_tests_{}", getpid());
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
  }();
  return folder;
}

fs::path TestSky::Stream(const std::string &name, std::uint16_t tsid) {
  const fs::path path = Folder() / name;
  if (fs::exists(path))
    return path;
  tsgen::Transponder tp;
  tp.transportStreamId = tsid;
  tp.start = 1709294400; // 2024-03-01 12:00:00
  tp.durationSeconds = kStreamSeconds;
  tp.bitrate = kStreamBitrate;
  tsgen::Service tv;
  tv.serviceId = tsid;
  tv.pmtPid = kPmtPid;
  tv.pcrPid = kVideoPid;
  tv.name = name;
  tv.provider = "QEV";
  tsgen::Stream video;
  video.pid = kVideoPid;
  tsgen::Stream audio;
  audio.kind = tsgen::StreamKind::MpegAudio;
  audio.pid = kAudioPid;
  tv.streams = {video, audio};
  tp.services.push_back(tv);
  tsgen::GenerateFile(tp, path.string());
  return path;
}

fs::path TestSky::WriteSky(const std::string &name, const std::string &text) {
  const fs::path path = Folder() / name;
  std::ofstream(path) << text;
  return path;
}

std::string TestSky::DefaultSky(bool fast) {
  Stream("north_low_v.ts", 0x11);
  Stream("north_high_h.ts", 0x12);
  Stream("south_low_v.ts", 0x21);
  Stream("motor.ts", 0x31);
  return fmt::format(R"([Sky]
Name=Test sky
Fast={}
LnbLow=9750000
LnbHigh=10600000
MotorSpeed=0

[North]
Committed=1
TP1=10788000,V,27500000,north_low_v.ts,80,90,0
TP2=12188,H,22000,north_high_h.ts,70,60,300

[South]
Committed=2
TP1=10788000,V,27500000,south_low_v.ts,55,50,0

[Motor]
Position=5
TP1=10971000,H,27500000,motor.ts,40,30,0

[Usals]
Angle=30W
TP1=11222000,V,27500000,motor.ts,40,30,0

[Burst]
Burst=B
TP1=12603000,H,22000000,motor.ts,40,30,0
)",
                     fast ? 1 : 0);
}

TuneRequest Request(std::uint32_t frequencyKhz, char polarisation, std::uint32_t symbolRate) {
  const bool high = frequencyKhz >= 11700000;
  TuneRequest request{};
  request.Frequency = frequencyKhz;
  request.Always2 = 2;
  request.SymbolRate = symbolRate;
  request.LnbFrequency = high ? 10600000 : 9750000;
  request.Tone = high ? 1 : 0;
  request.Voltage = polarisation == 'H' ? 18 : 13;
  return request;
}

void SimDeviceTest::SetUp() {
  Module().SetOpenDelay(0);
  Module().RefuseFilters(0);
  Module().RefusePluginData(false);
  Module().LoseLock(false);
  Module().ClearJournal();
  Module().ClearReceptions();
  OpenSky(TestSky::DefaultSky());
}

void SimDeviceTest::TearDown() { Api().CloseDevice(); }

void SimDeviceTest::OpenSky(const std::string &text) {
  Api().CloseDevice();
  Module().SetSkyFile(TestSky::WriteSky("sky.ini", text).string());
  ASSERT_EQ(Api().OpenDevice(), 0);
}

SignalStatus SimDeviceTest::Status() const {
  SignalStatus status{};
  EXPECT_EQ(Api().GetSignalStatus(&status), 0);
  return status;
}

void SimDeviceTest::Send(const std::vector<std::uint8_t> &message) const {
  ASSERT_EQ(Api().SendDiseqc(message.data(), static_cast<std::int32_t>(message.size()), 0), 0);
}

void SimDeviceTest::TuneAndLock(const TuneRequest &request) const {
  ASSERT_EQ(Api().Tune(&request), 0);
  ASSERT_TRUE(WaitFor([this] { return Locked(); }));
}

} // namespace qev::sim::test
