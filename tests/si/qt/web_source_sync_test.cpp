// A transponder list on a local web server (python3 -m http.server), fetched through the
// scanner's web source with the program's own client and reconciled in the synchronisation
// dialog, as the program wires them.
#include "si/qt/form_sat_scanner.h"

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/tuner.h"
#include "frame/app_paths.h"
#include "frame/message_pump.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/ui_dispatcher.h"
#include "si/scan_texts.h"
#include "support/scripted_presenter.h"
#include "support/temp_dir.h"
#include "web/qt/form_download.h"
#include "web/qt/form_transp_compare.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace qev::si::test {
namespace {

namespace fs = std::filesystem;

class NoSectionFilters final : public SectionFilterSource {
public:
  std::int32_t OpenFilter(std::uint16_t, const SectionTableFilter &, DataCallback) override {
    return 0;
  }
  void CloseFilter(std::int32_t) override {}
};

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

bool Answers(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

// python3's file server over a folder; stopped and waited for at the end.
class TPythonServer {
public:
  explicit TPythonServer(const fs::path &folder) : port_(FreePort()) {
    process_.start("python3", {"-m", "http.server", QString::number(port_), "--bind", "127.0.0.1",
                               "--directory", QString::fromStdString(folder)});
  }
  ~TPythonServer() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  bool Ready() {
    return process_.waitForStarted(5000) &&
           QTest::qWaitFor([this] { return Answers(port_); }, 10000);
  }
  int Port() const { return port_; }

private:
  int port_;
  QProcess process_;
};

TEST(WebSourceSync, AListFromALocalServerIsDownloadedReconciledAndApplied) {
  if (QStandardPaths::findExecutable("python3").isEmpty())
    GTEST_SKIP() << "python3 is not installed";
  qev::test::TTempDir root("qev-websync-");
  ASSERT_EQ(frame::SeedRoot(root.Path(), QEV_SHARE_DIR), "");
  frame::SetPaths(frame::TAppPaths(root.Path()));
  data::TSatList sats;
  ASSERT_TRUE(sats.SatLoad());
  const data::TSatRec sat = sats.At(0);
  TScanSatellite satellite = LoadScanSatellite(sat);
  const data::TSatTransponders before = satellite.Transponders;
  ASSERT_GE(before.Count(), 1);

  const fs::path served = root / "served";
  fs::create_directories(served);
  std::ofstream(served / (before.PositionText + ".ini"))
      << "[SATTYPE]\r\n1=" << before.PositionText
      << "\r\n2=Served list\r\n[DVB]\r\n0=2\r\n1=" << data::TpText(before.TpGet(0))
      << "\r\n2=10999,H,27500\r\n";
  TPythonServer server(served);
  ASSERT_TRUE(server.Ready());
  std::ofstream(root / "WebUpdTP.cfg")
      << "; test lists\r\nLocal list|http://127.0.0.1:" << server.Port() << "/<N>.ini\r\n"
      << "Secure list|https://127.0.0.1/<N>.ini\r\n";

  qev::test::ScriptedPresenter presenter;
  NoSectionFilters filters;
  frame::TOptions options;
  data::TChannelLists lists{sats};
  frame::TNotificationHub hub;
  TScanLinks scan{device::Tuner(), filters, options, lists, {}, {}, nullptr, nullptr, {}, {}};
  scan.Hub = &hub;
  scan.Dispatcher = frame::CurrentDispatcher();
  scan.KeepAlive = frame::PumpMessages;
  TScannerWindowLinks links{.Scan = std::move(scan)};
  links.WebSourcesFile = root / "WebUpdTP.cfg";
  links.Download = [](const std::string &address, std::string &) -> std::optional<std::string> {
    std::stringstream stream;
    if (!web::DownloadFile(QApplication::activeModalWidget(), kWebUpdateTitle, address, stream))
      return std::nullopt;
    return stream.str();
  };
  QStringList shownRows;
  links.Synchronise = [&](const data::TSatTransponders &newList, data::TSatTransponders &current) {
    QTimer::singleShot(0, [&] {
      auto *form = qobject_cast<web::TFormTranspCompare *>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      auto *rows = form->findChild<QTreeWidget *>("SyncRows");
      for (int i = 0; i < rows->topLevelItemCount(); ++i)
        shownRows << rows->topLevelItem(i)->text(0) + "|" + rows->topLevelItem(i)->text(2);
      form->findChild<QPushButton *>("CopyAllButton")->click();
      form->findChild<QPushButton *>("OkButton")->click();
    });
    return web::SyncTransponders(nullptr, newList, current);
  };
  TFormSatScanner form(nullptr, std::move(links), std::move(satellite));
  form.show();

  QList<QAction *> web = form.findChildren<QAction *>("WebSourceItem");
  ASSERT_EQ(web.size(), 2);
  EXPECT_EQ(web[1]->text().toStdString(), std::string("Secure list") + kNeedsHttpsSuffix);
  EXPECT_FALSE(web[1]->isEnabled());
  web[0]->trigger();
  const std::string added = "10999,H,27500";
  auto has = [&] {
    return form.Engine().Satellite().Transponders.TpIsDuplicate(*data::ParseTpText(added));
  };
  ASSERT_TRUE(QTest::qWaitFor(has, 20000)) << ::testing::PrintToString(presenter.Texts());
  EXPECT_TRUE(shownRows.contains(QString::fromStdString(added) + "|"));
  EXPECT_TRUE(shownRows.contains(
      QString::fromStdString(data::TpText(before.TpGet(0)) + "|" + data::TpText(before.TpGet(0)))));
  EXPECT_EQ(shownRows.size(), before.Count() + 1);
  EXPECT_EQ(form.Engine().Satellite().Transponders.Count(), before.Count() + 1);
  EXPECT_EQ(form.findChild<QTreeWidget *>("TransponderList")->topLevelItemCount(),
            before.Count() + 1);
  EXPECT_TRUE(presenter.shown.empty()) << ::testing::PrintToString(presenter.Texts());
  form.close();
}

} // namespace
} // namespace qev::si::test
