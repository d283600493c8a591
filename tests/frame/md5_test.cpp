#include "frame/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace qev::frame {
namespace {

// The test suite of RFC 1321, appendix A.5, plus inputs that end exactly at and around the
// padding boundaries of a 64-byte block.
TEST(Md5, GivesTheDigestsOfTheRfcTestSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"}};
  for (const auto &[input, digest] : cases)
    EXPECT_EQ(Md5Hex(input), digest) << input;
}

TEST(Md5, HandlesInputsAroundTheBlockPadding) {
  EXPECT_EQ(Md5Hex(std::string(55, 'a')), "EF1772B6DFF9A122358552954AD0DF65");
  EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3B0C8AC703F828B04C6C197006D17218");
  EXPECT_EQ(Md5Hex(std::string(64, 'a')), "014842D480B571495A4A0363793F7367");
  EXPECT_EQ(Md5Hex(std::string("\x00\xff", 2)), "D07D34EFAC6328007AD67C7E0A985E00");
  EXPECT_EQ(Md5(std::string("abc"))[0], 0x90);
}

} // namespace
} // namespace qev::frame
