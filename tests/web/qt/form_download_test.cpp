// The download window: its texts for each step, a real transfer, a failure that waits for the
// user, and closing the window while the transfer runs.
#include "web/qt/form_download.h"

#include "support/screenshot.h"
#include "web/test_http_server.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace qev::web {
namespace {

using test::TTestHttpServer;
using TConn = TTestHttpServer::TConnection;

QString Label(QWidget &window, const char *name) {
  auto *label = window.findChild<QLabel *>(name);
  return label ? label->text() : QString("<missing %1>").arg(name);
}

QString Colour(QWidget &window) { return window.findChild<QLabel *>("ActionLabel")->styleSheet(); }

// The download window while DownloadFile runs, or null.
TFormDownload *OpenWindow() {
  for (QWidget *widget : QApplication::topLevelWidgets()) {
    auto *window = qobject_cast<TFormDownload *>(widget);
    if (window && window->isVisible())
      return window;
  }
  return nullptr;
}

// Runs `step` on the download window once it shows `action`, from inside DownloadFile.
void WhenActionShows(const QString &action, std::function<void(TFormDownload &)> step) {
  auto *timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, action, step] {
    TFormDownload *window = OpenWindow();
    if (!window || !Label(*window, "ActionLabel").startsWith(action))
      return;
    timer->stop();
    timer->deleteLater();
    step(*window);
  });
  timer->start(5);
}

void PressClose(TFormDownload &window) {
  QTest::mouseClick(window.findChild<QPushButton *>("CloseButton"), Qt::LeftButton);
}

TEST(FormDownload, EachStepShowsItsTextColourAndAddress) {
  TFormDownload window(nullptr, "Update");
  window.show();
  const std::string address = "http://lists.example/0192.ini";
  window.Work(THttpWorkKind::Resolving, address, 0);
  EXPECT_EQ(Label(window, "ActionLabel"), kActionResolving);
  EXPECT_TRUE(Colour(window).contains("#0000ff"));
  EXPECT_EQ(Label(window, "AddressLabel"), " http://lists.example/0192.ini");
  window.Work(THttpWorkKind::Connecting, address, 0);
  EXPECT_EQ(Label(window, "ActionLabel"), kActionConnecting);
  window.Work(THttpWorkKind::Headers, address, 2000);
  EXPECT_EQ(Label(window, "ActionLabel"), kActionDownloading);
  auto *progress = window.findChild<QProgressBar *>("Progress");
  EXPECT_EQ(progress->maximum(), 2000);
  window.Work(THttpWorkKind::Received, address, 500);
  EXPECT_EQ(Label(window, "CounterLabel"), "500");
  EXPECT_EQ(progress->value(), 500);
  test::SaveScreenshot(window, "download_progress");
  window.Work(THttpWorkKind::Headers, address, -1);
  EXPECT_EQ(progress->maximum(), 999999);
  EXPECT_EQ(Label(window, "CounterLabel"), "");
  window.Work(THttpWorkKind::Complete, address, 2000);
  EXPECT_EQ(Label(window, "ActionLabel"), kActionFinished);
  EXPECT_TRUE(Colour(window).contains("#008000"));
  EXPECT_EQ(Label(window, "TitleLabel"), "Update");
}

TEST(FormDownload, DownloadsIntoTheStream) {
  TTestHttpServer server(
      [](TConn &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\n[SATTYPE]\r\n"); });
  std::stringstream stream("old content that goes");
  EXPECT_TRUE(DownloadFile(nullptr, "Update", server.Url("/0192.ini"), stream));
  EXPECT_EQ(stream.str(), "[SATTYPE]\r\n");
  EXPECT_EQ(OpenWindow(), nullptr);
}

TEST(FormDownload, AFailureStaysInRedUntilTheUserCloses) {
  TTestHttpServer server([](TConn &c) { c.Send("HTTP/1.1 404 Not Found\r\n\r\n"); });
  QString shown, colour;
  WhenActionShows("404", [&](TFormDownload &window) {
    shown = Label(window, "ActionLabel");
    colour = Colour(window);
    test::SaveScreenshot(window, "download_failure");
    PressClose(window);
  });
  std::stringstream stream;
  EXPECT_FALSE(DownloadFile(nullptr, "Update", server.Url("/missing.ini"), stream));
  EXPECT_EQ(shown, "404-Not Found");
  EXPECT_TRUE(colour.contains("red"));
}

TEST(FormDownload, HttpsIsNamedAsUnsupported) {
  QString shown;
  WhenActionShows("0-", [&](TFormDownload &window) {
    shown = Label(window, "ActionLabel");
    PressClose(window);
  });
  std::stringstream stream;
  EXPECT_FALSE(DownloadFile(nullptr, "Update", "https://lists.example/0192.ini", stream));
  EXPECT_EQ(shown, "0-Protocol not supported (https)");
}

TEST(FormDownload, ClosingWhileDownloadingAbortsTheTransfer) {
  TTestHttpServer server([](TConn &c) {
    c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nsome");
    c.Pause(20000);
  });
  WhenActionShows(kActionDownloading, PressClose);
  std::stringstream stream;
  EXPECT_FALSE(DownloadFile(nullptr, "Update", server.Url(), stream));
  EXPECT_EQ(OpenWindow(), nullptr);
}

} // namespace
} // namespace qev::web
