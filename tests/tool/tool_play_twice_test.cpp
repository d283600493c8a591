// Two plays in one process, as a session that unloads the device module and loads it again
// (a resume from suspend does the same): the second shows pictures and sound as the first.
#include "tool/tool_main.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;

namespace {

class ToolPlayTwice : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *element : {"tsdemux", "appsrc", "fakesink"})
      if (std::system(("gst-inspect-1.0 --exists " + std::string(element)).c_str()) != 0)
        GTEST_SKIP() << "GStreamer element " << element << " is missing";
    root = fs::temp_directory_path() / ("qev-play-twice-" + std::to_string(::getpid()));
    fs::remove_all(root);
  }
  void TearDown() override { fs::remove_all(root); }

  nlohmann::json Play(const std::string &name) {
    std::ostringstream out, err;
    tool::RunTool({"--root", root.string(), "--device", "Dev_Sim.int", "--json", "play", "--name",
                   name, "--seconds", "3"},
                  fs::path(QEV_QEVTOOL).parent_path(), out, err);
    return nlohmann::json::parse(out.str(), nullptr, false);
  }

  fs::path root;
};

TEST_F(ToolPlayTwice, TheSecondPlayShowsPicturesAsTheFirst) {
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const nlohmann::json doc = Play("QEV One");
    ASSERT_TRUE(doc.is_object());
    ASSERT_TRUE(doc.contains("video")) << doc.dump();
    EXPECT_GT(doc["video"]["frames"].get<int>(), 0) << doc.dump();
    EXPECT_GT(doc["audio"]["buffers"].get<int>(), 0) << doc.dump();
  }
}

} // namespace
