#include "dvb_text.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "dvb_time.h"

namespace qev::tsgen {
namespace {

TEST(TsgenDvbText, SelectorsOfTheCharacterTables) {
  EXPECT_EQ(EncodeDvbText("Demo", Charset()), (Bytes{'D', 'e', 'm', 'o'}));
  EXPECT_EQ(EncodeDvbText("Ра", Charset::Named("cyrillic")), (Bytes{0x01, 0xC0, 0xD0}));
  EXPECT_EQ(EncodeDvbText("Ča", Charset::Named("iso8859-2")), (Bytes{0x10, 0x00, 0x02, 0xC8, 'a'}));
  EXPECT_EQ(EncodeDvbText("Ωx", Charset::Named("sel8859-7")), (Bytes{0x03, 0xD9, 'x'}));
  EXPECT_EQ(EncodeDvbText("☺", Charset::Named("utf8")), (Bytes{0x15, 0xE2, 0x98, 0xBA}));
  // ISO/IEC 6937 writes accented letters as a diacritic followed by the base letter.
  EXPECT_EQ(EncodeDvbText("é", Charset()), (Bytes{0xC2, 'e'}));
}

TEST(TsgenDvbText, RefusesWhatTheTableCannotHoldAndUnknownTables) {
  EXPECT_THROW(EncodeDvbText("Ж", Charset::Named("iso8859-1")), std::invalid_argument);
  EXPECT_THROW(Charset::Named("iso8859-12"), std::invalid_argument);
  EXPECT_THROW(Charset::Named("sel8859-4"), std::invalid_argument);
  EXPECT_THROW(Charset::Named("koi8"), std::invalid_argument);
}

TEST(TsgenDvbText, LongTextIsCutToItsLengthByte) {
  ByteWriter out;
  PutDvbString(out, std::string(300, 'x'), Charset());
  EXPECT_EQ(out.Size(), 256u);
  EXPECT_EQ(out.Data()[0], 255);
}

TEST(TsgenDvbTime, MjdAndBcd) {
  ByteWriter out;
  PutMjdTime(out, *ParseUtc("2024-03-01 12:34:56"));
  EXPECT_EQ(out.Data(), (Bytes{0xEB, 0xD2, 0x12, 0x34, 0x56})); // MJD 60370
  ByteWriter epoch;
  PutMjdTime(epoch, 0);
  EXPECT_EQ(epoch.Data(), (Bytes{0x9E, 0x8B, 0, 0, 0}));
  EXPECT_FALSE(ParseUtc("2024-13-01 00:00:00"));
  EXPECT_FALSE(ParseUtc("2024-03-01"));
  EXPECT_EQ(ParseUtc("1970-01-02T00:00:01"), 86401);
}

} // namespace
} // namespace qev::tsgen
