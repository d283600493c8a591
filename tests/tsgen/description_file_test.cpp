#include "description_file.h"

#include <gtest/gtest.h>
#include <sstream>

#include "tsgen_fixture.h"

namespace qev::tsgen::test {
namespace {

Transponder Parse(const std::string &text) {
  std::istringstream in(text);
  return DescriptionFile::Parse(in);
}

std::string ErrorOf(const std::string &text) {
  try {
    Parse(text);
  } catch (const std::invalid_argument &e) {
    return e.what();
  }
  return "no error";
}

TEST(TsgenDescription, SampleReadsAsWritten) {
  const Transponder tp = SampleTransponder();
  EXPECT_EQ(tp.transportStreamId, 0x0440);
  EXPECT_EQ(tp.delivery.polarisation, Polarisation::Vertical);
  EXPECT_EQ(tp.delivery.orbitalTenths, 192);
  ASSERT_EQ(tp.services.size(), 5u);
  const Service &one = tp.services[0];
  EXPECT_EQ(one.events.size(), 14u); // two events, each on seven days
  EXPECT_EQ(one.events[2].start, one.events[0].start + 86400);
  EXPECT_EQ(one.events[2].eventId, 1001);
  ASSERT_EQ(one.streams[3].pages.size(), 3u);
  EXPECT_EQ(one.streams[3].pages[2].captions[0], "Hello there.\nHow are you?");
  EXPECT_EQ(tp.services[1].ca[0].providers, (std::vector<std::uint32_t>{0x65, 0x67}));
  EXPECT_EQ(tp.services[1].charset.Selector(), (Bytes{0x03}));
  EXPECT_EQ(tp.others.at(0).services.at(0).name, "Neighbour TV");
  EXPECT_EQ(tp.emms.size(), 2u);
}

TEST(TsgenDescription, FlawsAndPeriods) {
  const Transponder tp = Parse("[flaws]\nbad_crc = 3 0x11\ncontinuity = 7\nsplit_headers = 1\n"
                               "[repetition]\npat = 250\n");
  EXPECT_EQ(tp.flaws.badCrc.every, 3u);
  EXPECT_EQ(tp.flaws.badCrc.pid, 0x11);
  EXPECT_FALSE(tp.flaws.continuity.pid);
  EXPECT_TRUE(tp.flaws.splitHeaders);
  EXPECT_EQ(tp.repetition.pat, 250);

  const Transponder timed = Parse("[flaws]\ntransport_error = 5 0x101\ngarbage = 3\n"
                                  "garbage_bytes = 9\npcr_jump = 1.5 400\nversion_change = 2\n"
                                  "version_change = 3 0x10\npid_change = 4 0x101 0x201\n"
                                  "service_added = 5 0x33\nservice_removed = 6.5 0x34\n");
  EXPECT_EQ(timed.flaws.transportError.every, 5u);
  EXPECT_EQ(timed.flaws.garbageBytes, 9);
  ASSERT_TRUE(timed.flaws.pcrJump);
  EXPECT_EQ(timed.flaws.pcrJump->milliseconds, 400);
  ASSERT_EQ(timed.flaws.versionChanges.size(), 2u);
  EXPECT_EQ(timed.flaws.versionChanges[1].pid, 0x10);
  ASSERT_EQ(timed.flaws.pidChanges.size(), 1u);
  EXPECT_EQ(timed.flaws.pidChanges[0].to, 0x201);
  ASSERT_EQ(timed.flaws.serviceChanges.size(), 2u);
  EXPECT_FALSE(timed.flaws.serviceChanges[1].added);
  EXPECT_DOUBLE_EQ(timed.flaws.serviceChanges[1].at, 6.5);
  EXPECT_EQ(ErrorOf("[flaws]\npid_change = 4 0x101\n"),
            "line 2: pid_change is: seconds from_pid to_pid");
}

TEST(TsgenDescription, ErrorsNameTheLine) {
  EXPECT_EQ(ErrorOf("[transponder]\ntsid = 70000\n"), "line 2: not a number up to 65535: 70000");
  EXPECT_EQ(ErrorOf("[stream]\n"), "line 1: this block needs a [service] before it");
  EXPECT_EQ(ErrorOf("[service]\n[stream]\nkind = mpeg2\n[page]\n"),
            "line 4: a [page] belongs to a teletext [stream]");
  EXPECT_EQ(ErrorOf("[service]\ncolour = red\n"), "line 2: unknown key \"colour\" in [service]");
  EXPECT_EQ(ErrorOf("tsid = 1\n"), "line 1: expected key = value inside a block");
  EXPECT_EQ(ErrorOf("[sky]\n"), "line 1: unknown block [sky]");
  EXPECT_EQ(ErrorOf("[service]\ncharset = ebcdic\n"), "line 2: unknown character table: ebcdic");
  EXPECT_EQ(ErrorOf("[transponder]\nstart = yesterday\n"),
            "line 2: not a time YYYY-MM-DD HH:MM:SS: yesterday");
  EXPECT_EQ(ErrorOf("[service]\n[stream]\nteletext = eng 100\n"),
            "line 3: a teletext entry is: language type page");
  EXPECT_EQ(ErrorOf("[service]\n[stream]\nkind = teletext\n[page]\nlinks = 1 2 3 4 5 6 7\n"),
            "line 5: a page has at most six links");
  EXPECT_EQ(ErrorOf("[service]\n[event]\ntranslation = ger\n"),
            "line 3: a translation is: language | name | text");
  EXPECT_NE(ErrorOf("[other]\ndescription = /nonexistent/b.txt\n").find("cannot read"),
            std::string::npos);
}

TEST(TsgenDescription, HostileNumbersAreRefusedNotWrapped) {
  EXPECT_NE(ErrorOf("[service]\npmt = 0x2000\n"), "no error");
  EXPECT_NE(ErrorOf("[service]\nid = -1\n"), "no error");
  EXPECT_NE(ErrorOf("[service]\nid = 0x\n"), "no error");
  EXPECT_NE(ErrorOf("[transponder]\nduration = nan\n"), "no error");
  EXPECT_NE(ErrorOf("[service]\n[event]\nrepeat_days = 99999999999999999999999\n"), "no error");
}

} // namespace
} // namespace qev::tsgen::test
