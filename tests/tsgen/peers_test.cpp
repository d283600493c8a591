// Independent readers (ffprobe, dvbinfo) see what the generator was asked to write.

#include <cstdio>
#include <fmt/format.h>
#include <fstream>
#include <gtest/gtest.h>

#include "support/run_command.h"
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "psi_tables.h"
#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

bool HasProgram(const std::string &name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class TsgenPeers : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    path_ = ::testing::TempDir() + "tsgen_peers_" + std::to_string(getpid()) + ".ts";
    GenerateFile(SampleTransponder(), path_);
  }
  static void TearDownTestSuite() { std::remove(path_.c_str()); }

  static std::string path_;
};

std::string TsgenPeers::path_;

std::string CodecOf(StreamKind kind) {
  switch (kind) {
  case StreamKind::Mpeg2Video:
    return "mpeg2video";
  case StreamKind::H264Video:
    return "h264";
  case StreamKind::HevcVideo:
    return "hevc";
  case StreamKind::MpegAudio:
    return "mp3";
  case StreamKind::Ac3Audio:
    return "ac3";
  case StreamKind::Eac3Audio:
    return "eac3";
  case StreamKind::AacAudio:
    return "aac";
  case StreamKind::Teletext:
    return "dvb_teletext";
  case StreamKind::DataSections:
    return "";
  }
  return "";
}

TEST_F(TsgenPeers, FfprobeSeesServicesProvidersPidsCodecsAndLanguages) {
  if (!HasProgram("ffprobe")) {
    GTEST_SKIP() << "ffprobe is not installed";
  }
  const auto json = nlohmann::json::parse(
      qev::test::Capture("ffprobe -v quiet -show_programs -show_streams -of json '" + path_ + "'"));
  const Transponder tp = SampleTransponder();
  ASSERT_EQ(json["programs"].size(), tp.services.size());
  for (std::size_t i = 0; i < tp.services.size(); ++i) {
    const Service &want = tp.services[i];
    const auto &got = json["programs"][i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(got["program_id"], want.serviceId);
    EXPECT_EQ(got["pmt_pid"], want.pmtPid);
    EXPECT_EQ(got["tags"]["service_name"], want.name);
    EXPECT_EQ(got["tags"]["service_provider"], want.provider);
    ASSERT_EQ(got["streams"].size(), want.streams.size());
    for (std::size_t s = 0; s < want.streams.size(); ++s) {
      const Stream &ws = want.streams[s];
      const auto &gs = got["streams"][s];
      EXPECT_EQ(gs["id"], fmt::format("{:#x}", ws.pid));
      EXPECT_EQ(gs["codec_name"], CodecOf(ws.kind));
      if (!ws.language.empty()) {
        EXPECT_EQ(gs["tags"]["language"], ws.language);
      }
    }
  }
}

TEST_F(TsgenPeers, DvbinfoSeesPatPmtAndSdt) {
  if (!HasProgram("dvbinfo")) {
    GTEST_SKIP() << "dvbinfo is not installed";
  }
  const std::string out = qev::test::Capture("dvbinfo -f '" + path_ + "' 2>/dev/null");
  const Transponder tp = SampleTransponder();
  EXPECT_NE(out.find(fmt::format("Transport stream id : {}", tp.transportStreamId)),
            std::string::npos);
  for (const Service &service : tp.services) {
    SCOPED_TRACE(service.name);
    EXPECT_NE(out.find(fmt::format("{:>14} @ pid: {:#x} ({})", service.serviceId, service.pmtPid,
                                   service.pmtPid)),
              std::string::npos);
    EXPECT_NE(out.find(fmt::format("Program number : {}", service.serviceId)), std::string::npos);
    for (const Stream &stream : service.streams) {
      EXPECT_NE(out.find(fmt::format("{:#04x} @ pid {:#x} ({})", StreamTypeOf(stream.kind),
                                     stream.pid, stream.pid)),
                std::string::npos)
          << stream.pid;
      if (!stream.language.empty()) {
        // The descriptor's language code followed by its audio type byte.
        EXPECT_NE(out.find("\"" + stream.language + std::string(1, '\0') + "\""),
                  std::string::npos);
      }
    }
    // dvbinfo prints the service descriptor's bytes as they are: provider then name.
    const Bytes provider = EncodeDvbText(service.provider, service.charset);
    const Bytes name = EncodeDvbText(service.name, service.charset);
    EXPECT_NE(out.find(std::string(provider.begin(), provider.end())), std::string::npos);
    EXPECT_NE(out.find(std::string(name.begin(), name.end())), std::string::npos);
  }
}

} // namespace
} // namespace qev::tsgen::test
