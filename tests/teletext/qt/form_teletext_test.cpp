#include "teletext/qt/form_teletext.h"

#include "frame/notification_hub.h"
#include "support/screenshot.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace qev::teletext {
namespace {

void Put(TtxPageBuffer &page, int row, int column, const char *bytes) {
  std::memcpy(page.Rows[row].data() + column, bytes, std::strlen(bytes));
}

TtxPageBuffer Header(int number, int subpage, const char *clock) {
  TtxPageBuffer page;
  page.Page = static_cast<std::uint16_t>(number);
  page.SubPage = static_cast<std::uint16_t>(subpage);
  Put(page, 0, 8, "\x03QEV TEXT\x07 Thu 10 Dec ");
  Put(page, 0, 32, clock);
  return page;
}

// A page with colours, mosaics, double height, links and a colour row.
TtxPageBuffer DemoPage(int subpage, const char *clock = "12:00:00") {
  TtxPageBuffer page = Header(100, subpage, clock);
  page.ShowRow24 = 8;
  page.LinkPage = {200, 301, 0, 0};
  Put(page, 1, 0, "\x04\x1D\x0D\x03QEV-DVB TELETEXT");
  Put(page, 4, 0,
      "\x01Red \x02Green \x03Yellow \x05Magenta \x06"
      "Cyan");
  Put(page, 5, 0, "\x12\x7F\x41\x7F\x1A\x7F\x35\x6A\x16\x2C\x1A\x73\x7F");
  Put(page, 7, 0, "\x07see page 301 or 1000");
  Put(page, 8, 0, "\x06Visit WWW.QEV.COM now");
  Put(page, 10, 0,
      "\x0E"
      "WIDE\x0C normal \x0F"
      "BIG");
  Put(page, 24, 0, "\x01NEWS \x02SPORT");
  return page;
}

QColor Pixel(const QImage &image, int column, int row, int dx = 0, int dy = 0) {
  const int cw = image.width() / 40;
  const int ch = image.height() / 25;
  return image.pixelColor(column * cw + cw / 2 + dx, row * ch + ch / 2 + dy);
}

class FormTeletextTest : public ::testing::Test {
protected:
  FormTeletextTest() {
    options.TTxImageW = 480;
    options.TTxImageH = 375;
    cache.Commit(DemoPage(0));
  }
  ~FormTeletextTest() override {
    if (TFormTeletext::Instance())
      delete TFormTeletext::Instance();
  }

  TTtxWindowLinks Links() {
    return {cache,
            hub,
            [this] { ++acquired; },
            [this] { ++released; },
            options,
            [this](const std::string &url) { opened.push_back(url); }};
  }

  TFormTeletext *OpenForm() {
    TFormTeletext *form = TFormTeletext::Open(Links());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
    form->activateWindow();
    QApplication::setActiveWindow(form);
    return form;
  }

  QWidget *Image(TFormTeletext *form) { return form->findChild<QWidget *>("ttxImage"); }
  // Whether a button of the tool bar is offered (its action is what shows or hides it).
  bool Offered(TFormTeletext *form, const char *name) {
    auto *bar = form->findChild<QToolBar *>();
    auto *button = form->findChild<QToolButton *>(name);
    for (QAction *action : bar->actions()) {
      if (bar->widgetForAction(action) == button)
        return action->isVisible();
    }
    return false;
  }
  QString Status(TFormTeletext *form, const char *name) {
    return form->findChild<QLabel *>(name)->text();
  }

  // Delivers notification 13 from another thread, as the decoder does, and lets it arrive.
  void NotifyFromDecoder(std::intptr_t value, std::intptr_t subpage) {
    std::thread([&] { hub.Notify(frame::kNotifyTeletext, value, subpage); }).join();
    QCoreApplication::processEvents();
  }

  TTtxCache cache;
  frame::TNotificationHub hub;
  frame::TTeletextOptions options;
  int acquired = 0;
  int released = 0;
  std::vector<std::string> opened;
};

TEST_F(FormTeletextTest, ShowsPage100WithColoursMosaicsAndDoubleHeight) {
  TFormTeletext *form = OpenForm();
  EXPECT_EQ(acquired, 1);
  EXPECT_EQ(form->Navigator().Page(), 100);
  const QImage &image = form->PageImage();
  EXPECT_EQ(image.size(), QSize(480, 375));
  EXPECT_EQ(Status(form, "ttxStatusCount"), "1 pages");
  EXPECT_EQ(Status(form, "ttxStatusNational"), " [00] English");
  EXPECT_TRUE(Status(form, "ttxStatusTime").endsWith(" ms"));
  EXPECT_FALSE(Offered(form, "ttxBack"));
  EXPECT_FALSE(Offered(form, "ttxAuto")); // auto subpage is on

  EXPECT_EQ(Pixel(image, 1, 1), QColor(Qt::blue));          // new background, double height
  EXPECT_EQ(Pixel(image, 1, 2), QColor(Qt::blue));          // ...its lower half
  EXPECT_EQ(Pixel(image, 1, 5), QColor(Qt::green));         // mosaic 0x7F: all six blocks
  EXPECT_EQ(Pixel(image, 2, 5), QColor(Qt::black));         // 0x41: background only
  EXPECT_EQ(Pixel(image, 5, 5, -5, -5), QColor(Qt::green)); // separated: inside a block
  EXPECT_EQ(Pixel(image, 5, 5, 0, -1), QColor(Qt::black));  // ...the gap between blocks
  EXPECT_EQ(Pixel(image, 6, 5, -4, 0), QColor(Qt::green));  // 0x35: left column
  EXPECT_EQ(Pixel(image, 6, 5, 4, 0), QColor(Qt::black));
  qev::test::SaveScreenshot(*form, "teletext_page_100");
}

TEST_F(FormTeletextTest, TypedDigitsOpenAPageAndEscapeRestoresTheNumber) {
  TFormTeletext *form = OpenForm();
  ASSERT_EQ(QApplication::focusWidget(), Image(form));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_2);
  EXPECT_EQ(form->Navigator().Typed(), "12");
  EXPECT_EQ(form->Navigator().Page(), 100);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
  EXPECT_EQ(form->Navigator().Page(), 123);
  qev::test::SaveScreenshot(*form, "teletext_waiting_for_123");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_4);
  EXPECT_EQ(form->Navigator().Typed(), "4");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(form->Navigator().Typed(), "123");
  EXPECT_TRUE(Offered(form, "ttxBack"));
  form->findChild<QToolButton *>("ttxBack")->click();
  EXPECT_EQ(form->Navigator().Page(), 100);
  EXPECT_FALSE(Offered(form, "ttxBack"));
}

TEST_F(FormTeletextTest, NotificationsFromTheDecoderThreadFollowSubpagesAndTheClock) {
  TFormTeletext *form = OpenForm();
  cache.Commit(DemoPage(1, "12:00:01"));
  NotifyFromDecoder(100, 1);
  EXPECT_EQ(form->Navigator().SubPage(), 1);
  EXPECT_EQ(Status(form, "ttxStatusPage"), "100/1");
  EXPECT_EQ(Status(form, "ttxStatusCount"), "2 pages");
  EXPECT_TRUE(form->findChild<QToolButton *>("ttxSubPage1")->isEnabled());
  EXPECT_FALSE(form->findChild<QToolButton *>("ttxSubPage2")->isEnabled());

  // Another page's header moves the clock.
  cache.Commit(Header(200, 0, "12:00:02"));
  NotifyFromDecoder(200, 0);
  const auto header = form->Navigator().HeaderRow();
  EXPECT_EQ(std::string(header.begin() + 32, header.end()), "12:00:02");

  // A subpage button stops following; the stream no longer moves the page.
  form->findChild<QToolButton *>("ttxSubPage0")->click();
  EXPECT_FALSE(form->Navigator().AutoSubPage());
  EXPECT_TRUE(Offered(form, "ttxAuto"));
  cache.Commit(DemoPage(2));
  NotifyFromDecoder(100, 2);
  EXPECT_EQ(form->Navigator().SubPage(), 0);

  // The cache cleared by a channel switch, then the new channel's filter opened.
  NotifyFromDecoder(kTtxCacheEvent, 0);
  EXPECT_EQ(form->Navigator().Page(), 0);
  EXPECT_EQ(form->Navigator().Message(), "[ Teletext disabled ]");
  EXPECT_EQ(Status(form, "ttxStatusPage"), "---");
  qev::test::SaveScreenshot(*form, "teletext_disabled");
  NotifyFromDecoder(kTtxCacheEvent, 1);
  EXPECT_EQ(form->Navigator().Page(), 100);
}

TEST_F(FormTeletextTest, LinksUnderThePointer) {
  TFormTeletext *form = OpenForm();
  QWidget *image = Image(form);
  const int cw = form->PageImage().width() / 40;
  const int ch = form->PageImage().height() / 25;
  const auto at = [&](int column, int row) { return QPoint(column * cw + 2, row * ch + 2); };

  QTest::mouseMove(image, at(11, 7));
  EXPECT_EQ(Status(form, "ttxLink"), "301");
  EXPECT_EQ(image->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(image, at(18, 7)); // "1000"
  EXPECT_EQ(Status(form, "ttxLink"), "");
  EXPECT_EQ(image->cursor().shape(), Qt::ArrowCursor);

  QTest::mouseClick(image, Qt::LeftButton, {}, at(10, 8));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "http://WWW.QEV.COM");

  QTest::mouseClick(image, Qt::LeftButton, {}, at(8, 24)); // SPORT: green
  EXPECT_EQ(form->Navigator().Page(), 301);
}

TEST_F(FormTeletextTest, OneWindowLanguageChoiceGesturesAndRelease) {
  TFormTeletext *form = OpenForm();
  EXPECT_EQ(TFormTeletext::Open(Links()), form);
  EXPECT_EQ(acquired, 1);

  auto *language = form->findChild<QToolButton *>("ttxLanguage");
  for (QAction *action : language->menu()->actions()) {
    if (action->text() == "Russian/Bulgarian")
      action->trigger();
  }
  EXPECT_EQ(form->Navigator().LanguageChoice(), 36);
  EXPECT_EQ(Status(form, "ttxStatusNational"), " [24] Russian/Bulgarian");

  form->RunGesture(TTtxGesture::NextPage);
  EXPECT_EQ(form->Navigator().Page(), 101);
  form->RunGesture(TTtxGesture::Close);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(TFormTeletext::Instance(), nullptr);
  EXPECT_EQ(released, 1);
  hub.Notify(frame::kNotifyTeletext, 100, 0); // nobody listens any more
  QCoreApplication::processEvents();
}

TEST_F(FormTeletextTest, ResizingSnapsToWholeCellsAndIsStored) {
  TFormTeletext *form = OpenForm();
  QWidget *image = Image(form);
  image->resize(525, 390);
  EXPECT_EQ(options.TTxImageW, 520);
  EXPECT_EQ(options.TTxImageH, 400);
  EXPECT_EQ(form->PageImage().size(), QSize(520, 400));
  EXPECT_EQ(Pixel(form->PageImage(), 1, 5), QColor(Qt::green));
}

TEST(TeletextWindowSize, TooSmallStoredSizeOpensAtTheMinimum) {
  TTtxCache cache;
  frame::TNotificationHub hub;
  frame::TTeletextOptions options;
  options.TTxImageW = 300;
  options.TTxImageH = 375;
  TFormTeletext *form = TFormTeletext::Open({cache, hub, {}, {}, options});
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
  EXPECT_EQ(form->PageImage().size(), QSize(320, 275));
  EXPECT_EQ(form->Navigator().Message(), "Wait: Page 100 is not in cache !");
  delete form;
}

} // namespace
} // namespace qev::teletext
