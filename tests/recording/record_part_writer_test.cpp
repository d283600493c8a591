#include "recording/record_part_writer.h"

#include "recording/record_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace qev::recording {
namespace {

using test::Bytes;
using test::Packets;
using test::ReadAll;

class PartWriter : public ::testing::Test {
protected:
  qev::test::TTempDir dir_{"qev_part_writer"};
  test::TFaultyFiles files_;

  TRecordPartWriter Make(std::int64_t split = 0, bool duplicates = true) {
    TPartWriterSetup setup;
    setup.Folder = dir_.Path();
    setup.BaseName = "rec";
    setup.Extension = ".ts";
    setup.CheckDuplicates = duplicates;
    setup.SplitBytes = split;
    return TRecordPartWriter(files_, std::move(setup));
  }
  std::filesystem::path File(const std::string &name) const { return dir_ / name; }
};

TEST_F(PartWriter, SplitsBetweenBlocksAndTheJoinedPartsEqualTheInput) {
  // Blocks of 3 packets (564 bytes) against a split size of 1128 + 100: a part takes two
  // blocks; the third would pass the size and opens the next part.
  auto writer = Make(2 * 564 + 100);
  ASSERT_EQ(writer.Open(), 0);
  const Bytes input = Packets(0x100, 3 * 7);
  for (std::size_t at = 0; at < input.size(); at += 564)
    ASSERT_EQ(writer.Write({input.data() + at, 564}), 0);
  writer.Close();
  Bytes joined;
  for (const char *name : {"rec.ts", "rec_001.ts", "rec_002.ts", "rec_003.ts"}) {
    const Bytes part = ReadAll(File(name));
    EXPECT_LE(part.size(), 2u * 564) << name;
    EXPECT_EQ(part.size() % 564, 0u) << name << ": a block was divided";
    joined.insert(joined.end(), part.begin(), part.end());
  }
  EXPECT_FALSE(std::filesystem::exists(File("rec_004.ts")));
  EXPECT_EQ(joined, input);
  EXPECT_EQ(writer.TotalBytes(), static_cast<std::int64_t>(input.size()));
  EXPECT_EQ(writer.PartNumber(), 3);
}

TEST_F(PartWriter, APartFilledExactlyToTheSizeSplitsAtTheNextBlockOnly) {
  auto writer = Make(2 * 188);
  ASSERT_EQ(writer.Open(), 0);
  const Bytes block = Packets(0x100, 1);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(writer.Write(block), 0);
  EXPECT_EQ(ReadAll(File("rec.ts")).size(), 2u * 188);
  EXPECT_EQ(ReadAll(File("rec_001.ts")).size(), 188u);
}

TEST_F(PartWriter, ABlockLargerThanTheSplitSizeGoesWholeIntoAnEmptyPart) {
  auto writer = Make(188);
  ASSERT_EQ(writer.Open(), 0);
  const Bytes big = Packets(0x100, 4);
  ASSERT_EQ(writer.Write(big), 0);
  ASSERT_EQ(writer.Write(big), 0);
  EXPECT_EQ(ReadAll(File("rec.ts")), big);
  EXPECT_EQ(ReadAll(File("rec_001.ts")), big);
  EXPECT_EQ(writer.PartNumber(), 1);
}

TEST_F(PartWriter, DuplicatesTakeTheNextFreeNameAndNothingIsWrittenOver) {
  const Bytes old = Packets(0x55, 2);
  for (const char *name : {"rec.ts", "rec_Dup01.ts"}) {
    auto other = Make();
    ASSERT_EQ(other.Open(), 0);
    ASSERT_EQ(other.Write(old), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(File("rec_Dup01.ts")));
  auto writer = Make();
  ASSERT_EQ(writer.Open(), 0);
  EXPECT_EQ(writer.BaseName(), "rec_Dup02");
  EXPECT_EQ(ReadAll(File("rec.ts")), old);

  auto strict = Make(0, false); // no duplicate check: a taken name fails, never overwrites
  EXPECT_EQ(strict.Open(), EEXIST);
  EXPECT_EQ(ReadAll(File("rec.ts")), old);
}

TEST_F(PartWriter, TheDuplicateSearchEndsAfterDup99) {
  files_.Taken.insert("rec.ts");
  for (int i = 1; i <= 99; ++i)
    files_.Taken.insert("rec_Dup" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".ts");
  auto writer = Make();
  EXPECT_EQ(writer.Open(), EEXIST);
  EXPECT_FALSE(writer.IsOpen());
}

TEST_F(PartWriter, ATakenPartNameAtASplitMovesToTheNextNumber) {
  files_.Taken.insert("rec_001.ts");
  auto writer = Make(188);
  ASSERT_EQ(writer.Open(), 0);
  const Bytes block = Packets(0x100, 1);
  ASSERT_EQ(writer.Write(block), 0);
  ASSERT_EQ(writer.Write(block), 0);
  EXPECT_EQ(writer.PartNumber(), 2);
  EXPECT_EQ(ReadAll(File("rec_002.ts")), block);
}

TEST_F(PartWriter, AFullDiskLeavesOnlyWholeBlocksAndEndsTheRecording) {
  const Bytes block = Packets(0x100, 2);
  files_.FailAfterBytes = static_cast<int>(block.size() * 3 + 100); // in the middle of block 4
  auto writer = Make();
  ASSERT_EQ(writer.Open(), 0);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(writer.Write(block), 0);
  EXPECT_EQ(writer.Write(block), ENOSPC);
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(writer.Write(block), EBADF);
  EXPECT_EQ(ReadAll(File("rec.ts")).size(), block.size() * 3);
  EXPECT_EQ(writer.TotalBytes(), static_cast<std::int64_t>(block.size() * 3));
}

TEST_F(PartWriter, AnIoErrorIsCutBackLikeAFullDisk) {
  files_.FailError = EIO;
  files_.FailAfterBytes = 188 + 10;
  auto writer = Make();
  ASSERT_EQ(writer.Open(), 0);
  ASSERT_EQ(writer.Write(Packets(0x100, 1)), 0);
  EXPECT_EQ(writer.Write(Packets(0x100, 1)), EIO);
  EXPECT_EQ(ReadAll(File("rec.ts")).size(), 188u);
}

TEST_F(PartWriter, ShortWritesAreCarriedOn) {
  files_.ShortWrite = 100;
  auto writer = Make();
  ASSERT_EQ(writer.Open(), 0);
  const Bytes input = Packets(0x100, 9);
  ASSERT_EQ(writer.Write(input), 0);
  EXPECT_EQ(ReadAll(File("rec.ts")), input);
}

TEST_F(PartWriter, DiscardDeletesTheFirstFile) {
  auto writer = Make();
  ASSERT_EQ(writer.Open(), 0);
  writer.Discard();
  EXPECT_FALSE(std::filesystem::exists(File("rec.ts")));
}

} // namespace
} // namespace qev::recording
