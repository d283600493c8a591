// qevtool dump: a whole transponder into a file that appears only when complete.
#include "data/sat_list.h"
#include "test_stream.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolDump : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    AddSimulator();
    data::TSatList sats;
    ASSERT_TRUE(sats.SatAdd(DemoSat(1, 192, 1, "QEV Sat 19.2E")));
    ASSERT_TRUE(sats.SatAdd(DemoSat(3, 282, 3, "Unreachable")));
    dumpFile = root / "dump.ts";
  }
  // Names in the root that are neither the seeded folders nor the dump itself.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(root))
      if (entry.is_regular_file() && entry.path() != dumpFile)
        names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path dumpFile;
};

TEST_F(ToolDump, WithTsTheFileIsWrittenOnceWholeAndItsEndEndsTheDump) {
  const fs::path stream = test::MakeTestStream("dump");
  ASSERT_EQ(Run({"--ts", stream.string(), "dump", "--out", dumpFile.string()}), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("Stream ended yes\n"));
  EXPECT_THAT(out.str(), HasSubstr("File " + dumpFile.string() + "\n"));
  const std::string original = ReadAll(stream);
  EXPECT_EQ(ReadAll(dumpFile), original);

  // A time limit beyond the file's end still stops at the end.
  ASSERT_EQ(Run({"--json", "--ts", stream.string(), "dump", "--seconds", "600", "--out",
                 dumpFile.string()}),
            0);
  const auto doc = nlohmann::json::parse(out.str());
  EXPECT_EQ(doc["ended"], true);
  EXPECT_EQ(doc["packets"], original.size() / 188);
  EXPECT_EQ(doc["bytes"], original.size());
  EXPECT_EQ(doc["delivery"], "DVB-S QPSK");
  EXPECT_TRUE(Leftovers().empty());
  fs::remove(stream);
}

TEST_F(ToolDump, AFailedDumpWritesNothingAndLeavesAnOlderFileAlone) {
  std::ofstream(dumpFile) << "older";
  // The root's sky names streams that are not there: the tuner locks but no packet comes.
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "dump", "19.2E", "10788", "V", "22000", "--seconds",
                 "1", "--out", dumpFile.string()}),
            1);
  EXPECT_THAT(err.str(), HasSubstr("no packets received"));
  EXPECT_THAT(out.str(), HasSubstr("Lock yes"));
  // No lock: nothing is recorded at all.
  EXPECT_EQ(Run({"--device", "Dev_Sim.int", "dump", "3", "10788", "V", "22000", "--wait", "200",
                 "--seconds", "1", "--out", dumpFile.string()}),
            1);
  EXPECT_THAT(err.str(), HasSubstr("no lock"));
  EXPECT_EQ(ReadAll(dumpFile), "older");
  EXPECT_TRUE(Leftovers().empty());

  const fs::path stream = test::MakeTestStream("dump-nowhere");
  EXPECT_EQ(Run({"--ts", stream.string(), "dump", "--out", (root / "no/such/dir.ts").string()}), 1);
  EXPECT_THAT(err.str(), HasSubstr("cannot create a temporary file beside"));
  fs::remove(stream);
}

TEST_F(ToolDump, ArgumentsAreChecked) {
  const std::string file = dumpFile.string();
  EXPECT_EQ(Run({"dump", "19.2E", "10788", "V", "22000", "--seconds", "2"}), 2); // no --out
  EXPECT_EQ(Run({"dump", "19.2E", "10788", "V", "22000", "--out", file}), 2);    // no --seconds
  EXPECT_EQ(Run({"dump", "19.2E", "10788", "V", "22000", "--seconds", "0", "--out", file}), 2);
  EXPECT_EQ(Run({"dump", "19.2E", "10788", "--seconds", "2", "--out", file}), 2);
  EXPECT_FALSE(fs::exists(dumpFile));
}

} // namespace
