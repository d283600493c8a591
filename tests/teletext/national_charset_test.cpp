#include "teletext/national_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace qev::teletext {
namespace {

TNationalTable Table(int code, std::string *name = nullptr) {
  TNationalTable table{};
  std::string ignored;
  LoadNationalTable(code, &table, name ? *name : ignored);
  return table;
}

char16_t At(const TNationalTable &table, int code) { return table[code - 0x20]; }

TEST(NationalCharset, LatinSubsetsReplaceOnlyTheirThirteenPositions) {
  std::string name;
  const auto german = Table(1, &name);
  EXPECT_EQ(name, "German");
  EXPECT_EQ(At(german, 0x40), u'\u00A7');
  EXPECT_EQ(At(german, 0x5B), u'\u00C4');
  EXPECT_EQ(At(german, 0x7E), u'\u00DF');
  EXPECT_EQ(At(german, 0x41), u'A');
  EXPECT_EQ(At(german, 0x7F), char16_t{0x7F});

  const auto english = Table(0, &name);
  EXPECT_EQ(name, "English");
  EXPECT_EQ(At(english, 0x23), u'\u00A3');
  EXPECT_EQ(At(english, 0x5F), u'#');
  EXPECT_EQ(At(english, 0x7C), u'\u2551');

  EXPECT_EQ(At(Table(2), 0x24), u'\u00A4');  // Swedish
  EXPECT_EQ(At(Table(3), 0x60), u'\u00F9');  // Italian
  EXPECT_EQ(At(Table(4), 0x23), u'\u00E9');  // French
  EXPECT_EQ(At(Table(5), 0x40), u'\u00A1');  // Portuguese/Spanish
  EXPECT_EQ(At(Table(6), 0x24), u'\u016F');  // Czech/Slovak
  EXPECT_EQ(At(Table(7), 0x40), u'\u0162');  // Romanian
  EXPECT_EQ(At(Table(8), 0x5B), u'\u01B5');  // Polish
  EXPECT_EQ(At(Table(22), 0x40), u'\u0130'); // Turkish
  EXPECT_EQ(At(Table(29), 0x5D), u'\u00D0'); // Serbian/Croatian/Slovenian
  EXPECT_EQ(At(Table(34), 0x24), u'\u00F5'); // Estonian
  EXPECT_EQ(At(Table(35), 0x5C), u'\u0229'); // Lettish/Lithuanian
}

TEST(NationalCharset, CyrillicAndGreekReplaceTheUpperHalf) {
  std::string name;
  const auto serbian = Table(32, &name);
  EXPECT_EQ(name, "Serbian/Croatian");
  EXPECT_EQ(At(serbian, 0x3F), u'?');
  EXPECT_EQ(At(serbian, 0x40), u'\u0427');
  EXPECT_EQ(At(serbian, 0x7E), u'\u0448');

  const auto russian = Table(36, &name);
  EXPECT_EQ(name, "Russian/Bulgarian");
  EXPECT_EQ(At(russian, 0x40), u'\u042E');
  EXPECT_EQ(At(russian, 0x59), u'\u042A');
  EXPECT_EQ(At(russian, 0x5C), u'\u042D');
  EXPECT_EQ(At(russian, 0x7F), u'\u25A0');

  const auto ukrainian = Table(37, &name);
  EXPECT_EQ(name, "Ukrainian");
  EXPECT_EQ(At(ukrainian, 0x59), u'\u0406');
  EXPECT_EQ(At(ukrainian, 0x5C), u'\u0404');
  EXPECT_EQ(At(ukrainian, 0x5F), u'\u0407');
  EXPECT_EQ(At(ukrainian, 0x79), u'\u0456');
  EXPECT_EQ(At(ukrainian, 0x7C), u'\u0454');
  EXPECT_EQ(At(ukrainian, 0x7F), u'\u25A0');
  EXPECT_EQ(At(ukrainian, 0x40), At(russian, 0x40));

  const auto greek = Table(55, &name);
  EXPECT_EQ(name, "Greek");
  EXPECT_EQ(At(greek, 0x41), u'\u0391');
  EXPECT_EQ(At(greek, 0x52), u'\u2032');
  EXPECT_EQ(At(greek, 0x7E), u'\u03CE');
}

TEST(NationalCharset, SharedCodesAndUnknownCodes) {
  std::string name;
  const auto code38 = Table(38, &name);
  EXPECT_EQ(name, "Czech/Slovak");
  EXPECT_EQ(code38, Table(29));
  EXPECT_EQ(At(code38, 0x40), u'\u010C');
  EXPECT_NE(code38, Table(6));

  EXPECT_EQ(Table(64), Table(0));
  EXPECT_EQ(Table(68), Table(4));
  EXPECT_EQ(Table(54), Table(22));
  EXPECT_EQ(NationalName(33), "German");
  EXPECT_EQ(NationalName(31), "Romanian");

  for (int code : {13, 23, 63, 255, 1000, -1}) {
    const auto identity = Table(code, &name);
    EXPECT_EQ(name, "Default (En)") << code;
    EXPECT_EQ(At(identity, 0x23), u'#');
    EXPECT_EQ(At(identity, 0x7E), u'~');
  }

  // Without a table only the name is produced.
  LoadNationalTable(36, nullptr, name);
  EXPECT_EQ(name, "Russian/Bulgarian");
}

TEST(NationalCharset, LanguageMenuStartsWithAutoAndNamesResolvableCodes) {
  const auto &menu = TtxLanguageMenu();
  ASSERT_EQ(menu.size(), 18u);
  EXPECT_STREQ(menu[0].Name, "Auto");
  EXPECT_EQ(menu[0].Code, kTtxLanguageAuto);
  EXPECT_STREQ(menu[13].Name, "Serbian/Croatian (Cyrilic)");
  EXPECT_EQ(menu[13].Code, 32);
  EXPECT_STREQ(menu.back().Name, "Ukrainian");
  for (std::size_t i = 1; i < menu.size(); ++i)
    EXPECT_NE(NationalName(menu[i].Code), "Default (En)") << menu[i].Name;
}

TEST(NationalCharset, Utf8Encoding) {
  std::string out;
  AppendUtf8(out, u'A');
  AppendUtf8(out, u'\u00DF');
  AppendUtf8(out, u'\u25A0');
  AppendUtf8(out, char16_t{0xD800});
  AppendCodePointUtf8(out, U'\U0001FB00');
  EXPECT_EQ(out, "A\xC3\x9F\xE2\x96\xA0\xEF\xBF\xBD\xF0\x9F\xAC\x80");
}

} // namespace
} // namespace qev::teletext
