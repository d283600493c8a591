// qevtool epg on a brand-new root seeded with the demo sky, as a user runs it: the live guide of
// a channel's transponder lists events, and each service's event on air covers the present.
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::int64_t UtcOf(const std::string &iso) {
  std::tm tm{};
  if (::strptime(iso.c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm) == nullptr)
    return -1;
  return ::timegm(&tm);
}

} // namespace

TEST(ToolEpgSky, LiveGuideOfQevOneHasTheEventOnAirForEachService) {
  const fs::path root = fs::temp_directory_path() / ("qev-epg-sky-" + std::to_string(::getpid()));
  fs::remove_all(root);
  const std::string tool = std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' ";
  qev::test::Capture(tool + "sats >/dev/null 2>&1"); // seeds the root
  if (!fs::exists(root / "Devices/Sky")) {
    fs::remove_all(root);
    GTEST_SKIP() << "the demo sky was not built";
  }
  const std::int64_t before = std::time(nullptr);
  const nlohmann::json doc = nlohmann::json::parse(
      qev::test::Capture(tool + "--json epg --name 'QEV One' --seconds 15 2>/dev/null"), nullptr,
      false);
  const std::int64_t after = std::time(nullptr);
  fs::remove_all(root);
  ASSERT_TRUE(doc.contains("events")) << doc.dump(1);
  const nlohmann::json &events = doc["events"];
  ASSERT_FALSE(events.empty());
  std::map<std::tuple<int, int, int>, bool> onAir; // per service: an event covers the present
  for (const auto &e : events) {
    const std::int64_t start = UtcOf(e["start"]);
    const std::int64_t end = start + e["duration"].get<std::int64_t>();
    bool &covered = onAir[{e["onid"], e["tsid"], e["sid"]}];
    covered = covered || (start <= before && after <= end) || (start <= after && before < end);
    EXPECT_FALSE(e["name"].get<std::string>().empty()) << e.dump();
  }
  for (const auto &[service, covered] : onAir)
    EXPECT_TRUE(covered) << "service " << std::get<2>(service) << " has no event on air";
}
