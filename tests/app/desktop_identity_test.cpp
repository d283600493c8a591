// The program names itself to the desktop: its entry, its icon and its window class agree.
#include "app/desktop_identity.h"
#include "frame/startup_sequence.h"
#include "support/run_command.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace qev;
namespace fs = std::filesystem;

namespace {
const fs::path kDesktopFile = QEV_DESKTOP_SHARE "/applications/qevdvb.desktop";

// The keys of the entry's one group.
std::map<std::string, std::string> EntryKeys(const fs::path &file) {
  std::map<std::string, std::string> keys;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (const auto equals = line.find('='); equals != std::string::npos && line[0] != '#')
      keys[line.substr(0, equals)] = line.substr(equals + 1);
  return keys;
}
} // namespace

TEST(DesktopIdentity, TheProgramCarriesItsIconAtEverySizeAndNamesItsEntry) {
  const QIcon icon = app::ApplicationIcon();
  ASSERT_FALSE(icon.isNull());
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  EXPECT_EQ(icon.pixmap(48).toImage().pixelColor(24, 24).alpha(), 255);

  app::SetDesktopIdentity();
  EXPECT_EQ(QGuiApplication::desktopFileName(), "qevdvb");
  EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
}

TEST(DesktopIdentity, TheEntryStartsTheProgramWithItsIconAndWindowClass) {
  ASSERT_TRUE(fs::exists(kDesktopFile));
  auto entry = EntryKeys(kDesktopFile);
  EXPECT_EQ(entry["Name"], "QEV-DVB");
  EXPECT_EQ(entry["Exec"], "qevdvb");
  EXPECT_EQ(entry["Icon"], app::kDesktopFileName);
  EXPECT_EQ(entry["Terminal"], "false");
  EXPECT_EQ(entry["Categories"], "AudioVideo;Video;TV;Player;");
  // X11 takes the window class from the application name, Wayland the desktop file name.
  EXPECT_EQ(entry["StartupWMClass"], frame::kApplicationTitle);
  for (const char *size : {"16x16", "32x32", "48x48", "256x256", "scalable"})
    EXPECT_TRUE(fs::is_directory(fs::path(QEV_DESKTOP_SHARE "/icons/hicolor") / size / "apps"))
        << size;
}

TEST(DesktopIdentity, TheEntryPassesTheDesktopValidator) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "desktop-file-validate is not installed";
  const std::string output =
      test::Capture("desktop-file-validate '" + kDesktopFile.string() + "' 2>&1; echo rc=$?");
  EXPECT_EQ(output, "rc=0\n");
}

TEST(DesktopIdentity, ANewRootGetsNoDesktopFiles) {
  EXPECT_TRUE(fs::is_directory(QEV_SHARE_DIR "/Configs"));
  EXPECT_FALSE(fs::exists(QEV_SHARE_DIR "/applications"));
  EXPECT_FALSE(fs::exists(QEV_SHARE_DIR "/icons"));
}
