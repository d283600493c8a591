// qevtool teletext on a brand-new root seeded with the demo sky, as a user runs it: the live
// pages of services in different national sets come out with their own characters.
#include "support/run_command.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct TSkyPage {
  const char *Channel;
  int Page;
  int Row;
  const char *Text;
};

TEST(ToolTeletextSky, LivePagesShowTheirNationalCharacters) {
  const qev::test::TTempDir dir("qev-ttx-sky-");
  const fs::path root = dir / "root";
  const std::string tool = std::string(QEV_QEVTOOL) + " --root '" + root.string() + "' ";
  qev::test::Capture(tool + "sats >/dev/null 2>&1"); // seeds the root
  if (!fs::exists(root / "Devices/Sky"))
    GTEST_SKIP() << "the demo sky was not built";
  const TSkyPage pages[] = {
      {"QEV One", 100, 1, "QEV One Teletext"},
      {"QEV One", 201, 1, "Deutsch: Wetter für Südwest"},
      {"QEV One", 202, 1, "Français: météo à Paris"},
      {"QEV One", 203, 1, "Svenska: väder i Göteborg"},
      {"QEV One", 204, 1, "Počasí v Praze: příjemný den"},
      {"Südwest Eins", 101, 3, "Schöne Grüße aus dem Südwesten."},
  };
  for (const TSkyPage &p : pages) {
    const nlohmann::json doc = nlohmann::json::parse(
        qev::test::Capture(tool + "--json teletext --name '" + p.Channel + "' --page " +
                           std::to_string(p.Page) + " --seconds 10 2>/dev/null"),
        nullptr, false);
    ASSERT_TRUE(doc.contains("pages")) << p.Channel << " " << p.Page << doc.dump(1);
    const nlohmann::json &page = doc["pages"][0];
    EXPECT_EQ(page["page"], p.Page);
    EXPECT_NE(page["rows"][p.Row].get<std::string>().find(p.Text), std::string::npos)
        << p.Channel << " " << p.Page << ": " << page["rows"][p.Row];
  }
}

} // namespace
