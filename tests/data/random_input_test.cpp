// Every loader fed with random bytes: nothing may crash, hang or read out of bounds (run under
// the address and undefined-behaviour sanitizers by ./test.sh --sanitize).
#include "data/channel_list.h"
#include "data/favorites.h"
#include "data/sat_list.h"
#include "data/si_text.h"
#include "data/tp_files.h"
#include "data/tp_import.h"
#include "data/transponder_list.h"
#include "support/random_bytes.h"
#include "temp_root.h"

#include <gtest/gtest.h>

#include <random>

using namespace qev::data;

namespace {

class RandomInput : public qev::test::TempRoot {
protected:
  std::string Bytes(std::size_t max) { return qev::test::RandomBytes(rng, max); }
  // Random text built from the characters the formats care about.
  std::string Text(std::size_t max) {
    static const std::string alphabet = "[]=,;#\n\r\t 0123456789HVLRSTMPG2-._/abcxyz\x80\xFF";
    std::uniform_int_distribution<std::size_t> length(0, max), pick(0, alphabet.size() - 1);
    std::string s(length(rng), ' ');
    for (char &c : s)
      c = alphabet[pick(rng)];
    return s;
  }
  std::mt19937 rng{20240601};
};

} // namespace

TEST_F(RandomInput, BinaryLoaders) {
  for (int round = 0; round < 100; ++round) {
    WriteFile(root / "SatFiles/Channels/0192.bch", Bytes(3000));
    TChannelsList list(192, 1);
    list.ListLoad();
    for (const TChannelRec &rec : list.Items()) {
      EXPECT_LE(rec.EsCount, 16);
      EXPECT_LE(rec.CaCount, 16);
      EXPECT_EQ(rec.ChName[kNameBytes - 1], '\0');
    }
    list.ListSaveOne(0);
    WriteFile(root / "SatFiles/SatList.dat", Bytes(1500));
    TSatList sats;
    sats.SatLoad();
    for (const TSatRec &sat : sats.Items())
      EXPECT_LE(SatName(sat).size(), kSatNameChars);
    WriteFile(root / "x.pca", Bytes(100));
    PcaCategory(LoadPca(root / "x.pca"), 11778000, 'H', 1);
    const std::string field = Bytes(300);
    DecodeSiText({reinterpret_cast<const std::uint8_t *>(field.data()), field.size()}, 255);
    FoldCase(field);
  }
}

TEST_F(RandomInput, TextLoaders) {
  for (int round = 0; round < 100; ++round) {
    ParseTws(Text(400));
    ParseTws(Bytes(400));
    const TSdxFile sdx = ParseSdx(Text(1000) + "\n" + std::string(130, 'x') + Bytes(200));
    sdx.CoverageLines();
    ParseDvbv5(Text(600));
    ParseDvbv5(Bytes(600));
    std::stringstream ini("[SATTYPE]\n1=0192\n[DVB]\n" + Text(500));
    TSatTransponders list;
    list.TpLoadStream(ini);
    WriteFile(root / "Favorites.cfg", Text(300));
    TFavorites fav;
    fav.FavLoad(root / "Favorites.cfg");
    TCategories cats;
    WriteFile(root / "Category.txt", Bytes(300));
    cats.CategLoad(root / "Category.txt");
    cats.CategName(round);
  }
}
