#include "teletext/national_charset.h"

#include "frame/case_fold.h"

#include <algorithm>
#include <cstdint>

namespace qev::teletext {
namespace {

using TLatinSubset = std::array<char16_t, 13>;
using TUpperSet = std::array<char16_t, 64>;

// The code positions that a Latin national subset replaces, in the order its characters are
// listed.
constexpr std::array<std::uint8_t, 13> kLatinPositions = {0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E,
                                                          0x5F, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};

constexpr TLatinSubset kEnglish = {0x00A3, 0x0024, 0x0040, 0x2190, 0x00BD, 0x2192, 0x2191,
                                   0x0023, 0x2014, 0x00BC, 0x2551, 0x00BE, 0x00F7};
constexpr TLatinSubset kGerman = {0x0023, 0x0024, 0x00A7, 0x00C4, 0x00D6, 0x00DC, 0x005E,
                                  0x005F, 0x00B0, 0x00E4, 0x00F6, 0x00FC, 0x00DF};
constexpr TLatinSubset kSwedish = {0x0023, 0x00A4, 0x00C9, 0x00C4, 0x00D6, 0x00C5, 0x00DC,
                                   0x005F, 0x00E9, 0x00E4, 0x00F6, 0x00E5, 0x00FC};
constexpr TLatinSubset kItalian = {0x00A3, 0x0024, 0x00E9, 0x00B0, 0x00E7, 0x2192, 0x2191,
                                   0x0023, 0x00F9, 0x00E0, 0x00F2, 0x00E8, 0x00EC};
constexpr TLatinSubset kFrench = {0x00E9, 0x00EF, 0x00E0, 0x00EB, 0x00EA, 0x00F9, 0x00EE,
                                  0x0023, 0x00E8, 0x00E2, 0x00F4, 0x00FB, 0x00E7};
constexpr TLatinSubset kPortuguese = {0x00E7, 0x0024, 0x00A1, 0x00E1, 0x00E9, 0x00ED, 0x00F3,
                                      0x00FA, 0x00BF, 0x00FC, 0x00F1, 0x00E8, 0x00E0};
constexpr TLatinSubset kCzech = {0x0023, 0x016F, 0x010D, 0x0165, 0x017E, 0x00FD, 0x00ED,
                                 0x0159, 0x00E9, 0x00E1, 0x011B, 0x00FA, 0x0161};
constexpr TLatinSubset kRomanian = {0x0023, 0x00A4, 0x0162, 0x00C2, 0x015E, 0x0102, 0x00CD,
                                    0x0131, 0x0163, 0x00E2, 0x015F, 0x0103, 0x00EE};
constexpr TLatinSubset kPolish = {0x0023, 0x0144, 0x0105, 0x01B5, 0x015A, 0x0141, 0x0107,
                                  0x00F3, 0x0119, 0x017C, 0x015B, 0x0142, 0x017A};
constexpr TLatinSubset kTurkish = {0x00A4, 0x011F, 0x0130, 0x015E, 0x00D6, 0x00C7, 0x00DC,
                                   0x011E, 0x0131, 0x015F, 0x00F6, 0x00E7, 0x00FC};
constexpr TLatinSubset kSerbianLatin = {0x0023, 0x00CB, 0x010C, 0x0106, 0x017D, 0x00D0, 0x0160,
                                        0x00EB, 0x010D, 0x0107, 0x017E, 0x00F0, 0x0161};
constexpr TLatinSubset kEstonian = {0x0023, 0x00F5, 0x0160, 0x00C4, 0x00D6, 0x017D, 0x00DC,
                                    0x00D5, 0x0161, 0x00E4, 0x00F6, 0x017E, 0x00FC};
constexpr TLatinSubset kLettish = {0x0023, 0x0024, 0x0160, 0x0117, 0x0229, 0x017D, 0x010D,
                                   0x016B, 0x0161, 0x0105, 0x0173, 0x017E, 0x012F};

constexpr TUpperSet kCyrillicSerbian = {
    0x0427, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413, 0x0425, 0x0418, 0x0408,
    0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x040C, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0412, 0x0403, 0x0409, 0x040A, 0x0417, 0x040B, 0x0416, 0x0402, 0x0428, 0x040F, 0x0447,
    0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x0458, 0x043A,
    0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x045C, 0x0440, 0x0441, 0x0442, 0x0443, 0x0432,
    0x0453, 0x0459, 0x045A, 0x0437, 0x045B, 0x0436, 0x0452, 0x0448, 0x25A0};
constexpr TUpperSet kCyrillicRussian = {
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413, 0x0425, 0x0418, 0x040D,
    0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0416, 0x0412, 0x042C, 0x042A, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042B, 0x044E,
    0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x045D, 0x043A,
    0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436,
    0x0432, 0x044C, 0x044A, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x25A0};
constexpr TUpperSet kGreek = {
    0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397, 0x0398, 0x0399, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039E, 0x039F, 0x03A0, 0x03A1, 0x2032, 0x03A3, 0x03A4, 0x03A5,
    0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03B0,
    0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7, 0x03B8, 0x03B9, 0x03BA, 0x03BB,
    0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6,
    0x03C7, 0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x25A0};

// Ukrainian differs from Russian/Bulgarian in five positions.
constexpr TUpperSet MakeUkrainian() {
  TUpperSet set = kCyrillicRussian;
  set[0x59 - 0x40] = 0x0406;
  set[0x5C - 0x40] = 0x0404;
  set[0x5F - 0x40] = 0x0407;
  set[0x79 - 0x40] = 0x0456;
  set[0x7C - 0x40] = 0x0454;
  return set;
}
constexpr TUpperSet kCyrillicUkrainian = MakeUkrainian();

struct TNationalSet {
  const char *Name;
  const TLatinSubset *Latin; // exactly one of the two is set
  const TUpperSet *Upper;
};

constexpr TNationalSet kDefaultSet = {"Default (En)", nullptr, nullptr};

TNationalSet SetForCode(int code) {
  switch (code) {
  case 0:
  case 16:
  case 64:
    return {"English", &kEnglish, nullptr};
  case 1:
  case 9:
  case 17:
  case 33:
    return {"German", &kGerman, nullptr};
  case 2:
  case 10:
  case 18:
    return {"Swedish/Finnish/Hungarian", &kSwedish, nullptr};
  case 3:
  case 11:
  case 19:
    return {"Italian", &kItalian, nullptr};
  case 4:
  case 12:
  case 20:
  case 68:
    return {"French", &kFrench, nullptr};
  case 5:
  case 21:
    return {"Portuguese/Spanish", &kPortuguese, nullptr};
  case 6:
  case 14:
    return {"Czech/Slovak", &kCzech, nullptr};
  case 38:
    return {"Czech/Slovak", &kSerbianLatin, nullptr};
  case 7:
  case 31:
    return {"Romanian", &kRomanian, nullptr};
  case 8:
    return {"Polish", &kPolish, nullptr};
  case 22:
  case 54:
    return {"Turkish", &kTurkish, nullptr};
  case 29:
    return {"Serbian/Croatian/Slovenian", &kSerbianLatin, nullptr};
  case 34:
    return {"Estonian", &kEstonian, nullptr};
  case 35:
    return {"Lettish/Lithuanian", &kLettish, nullptr};
  case 32:
    return {"Serbian/Croatian", nullptr, &kCyrillicSerbian};
  case 36:
    return {"Russian/Bulgarian", nullptr, &kCyrillicRussian};
  case 37:
    return {"Ukrainian", nullptr, &kCyrillicUkrainian};
  case 55:
    return {"Greek", nullptr, &kGreek};
  default:
    return kDefaultSet;
  }
}

void FillTable(const TNationalSet &set, TNationalTable &table) {
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<char16_t>(0x20 + i);
  if (set.Latin) {
    for (std::size_t i = 0; i < kLatinPositions.size(); ++i)
      table[kLatinPositions[i] - 0x20] = (*set.Latin)[i];
  } else if (set.Upper) {
    std::copy(set.Upper->begin(), set.Upper->end(), table.begin() + (0x40 - 0x20));
  }
}

} // namespace

void LoadNationalTable(int code, TNationalTable *table, std::string &name) {
  const TNationalSet set = SetForCode(code);
  name = set.Name;
  if (table)
    FillTable(set, *table);
}

std::string NationalName(int code) { return SetForCode(code).Name; }

const std::vector<TtxLanguageItem> &TtxLanguageMenu() {
  static const std::vector<TtxLanguageItem> menu = {
      {"Auto", kTtxLanguageAuto},
      {"Czech/Slovak", 6},
      {"English", 0},
      {"Estonian", 34},
      {"French", 4},
      {"German", 1},
      {"Greek", 55},
      {"Italian", 3},
      {"Lettish/Lithuanian", 35},
      {"Polish", 8},
      {"Portuguese/Spanish", 5},
      {"Romanian", 31},
      {"Russian/Bulgarian", 36},
      {"Serbian/Croatian (Cyrilic)", 32},
      {"Serbian/Croatian/Slovenian", 29},
      {"Swedish/Finnish/Hungarian", 2},
      {"Turkish", 22},
      {"Ukrainian", 37},
  };
  return menu;
}

void AppendUtf8(std::string &out, char16_t character) { AppendCodePointUtf8(out, character); }

void AppendCodePointUtf8(std::string &out, char32_t codePoint) {
  // A lone surrogate or a value beyond Unicode has no UTF-8 form; the replacement character keeps
  // the text valid.
  const bool encodable = (codePoint < 0xD800 || codePoint >= 0xE000) && codePoint <= 0x10FFFF;
  frame::AppendUtf8(out, encodable ? codePoint : U'\uFFFD');
}

} // namespace qev::teletext
