#include "teletext/qt/form_teletext.h"

#include "frame/notification_hub.h"
#include "teletext/national_charset.h"
#include "teletext/qt/ttx_image_view.h"
#include "teletext/qt/ttx_renderer.h"
#include "teletext/ttx_image_size.h"
#include "teletext/ttx_links.h"
#include "teletext/ttx_page_grid.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <cstdio>
#include <optional>

namespace qev::teletext {

QPointer<TFormTeletext> TFormTeletext::instance_;

namespace {

// Room the window's frame, buttons and status take around the image on the screen.
constexpr QSize kWindowChrome{24, 120};

QLabel *StatusPanel(QWidget *parent, QHBoxLayout *layout, const char *name, int stretch) {
  auto *label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameShape(QFrame::StyledPanel);
  // The image alone decides the window's width; panels clip their text when it is narrow.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout->addWidget(label, stretch);
  return label;
}

// A widget on a tool bar is shown and hidden through the bar's action for it.
QToolButton *ToolButton(QToolBar *bar, const QString &text, const QString &name,
                        QAction **shown = nullptr) {
  auto *button = new QToolButton(bar);
  button->setText(text);
  button->setObjectName(name);
  QAction *action = bar->addWidget(button);
  if (shown)
    *shown = action;
  return button;
}

void OpenWithDesktop(const std::string &url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

} // namespace

class TFormTeletext::TImpl {
public:
  TImpl(TFormTeletext &form, TTtxWindowLinks links)
      : form_(form), links_(std::move(links)), navigator_(links_.Cache),
        renderer_(TtxFontFamily(QString::fromStdString(links_.Options.TTxFontName))) {}

  void Build();
  void ShowPage();
  void DrawHeaderOnly();
  void HandleNotification(int value, int subpage);
  void Apply(TTtxRedraw redraw);
  void ShowCount();

  TFormTeletext &form_;
  TTtxWindowLinks links_;
  TTtxNavigator navigator_;
  TTtxRenderer renderer_;
  std::optional<TtxPageBuffer> shown_;
  QSize imageSize_;
  QPoint hoveredCell_{-1, -1};
  TTtxLink hovered_;

  TTtxImageView *view_ = nullptr;
  QAction *back_ = nullptr;
  QAction *auto_ = nullptr;
  std::array<QToolButton *, kTtxSubPageButtons> subPages_{};
  QActionGroup *languages_ = nullptr;
  QLabel *pageStatus_ = nullptr;
  QLabel *countStatus_ = nullptr;
  QLabel *nationalStatus_ = nullptr;
  QLabel *timeStatus_ = nullptr;
  QLabel *linkStatus_ = nullptr;

private:
  void BuildButtons(QToolBar *bar);
  void BuildLanguageMenu(QToolBar *bar);
  void BuildStatus(QVBoxLayout *layout);
  void ConnectView();
  void UpdateButtons();
  void UpdateLink(QPoint cell, bool force);
  void OnKey(int key, bool &handled);
  void OnClick(QPoint position);
  void OnResize(QSize size);
  void DrawGrid();
};

void TFormTeletext::TImpl::Build() {
  auto *layout = new QVBoxLayout(&form_);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  auto *bar = new QToolBar(&form_);
  bar->setIconSize(QSize(16, 16));
  // Buttons that do not fit go behind the bar's extension arrow instead of widening the image.
  bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  BuildButtons(bar);
  BuildLanguageMenu(bar);
  layout->addWidget(bar);

  view_ = new TTtxImageView(&form_);
  view_->setObjectName("ttxImage");
  view_->SetImage(&renderer_.Image());
  layout->addWidget(view_, 1);
  BuildStatus(layout);

  const QScreen *screen = form_.screen();
  const QSize available = screen ? screen->availableSize() - kWindowChrome : QSize(4096, 4096);
  const TTtxImageSize size = InitialImageSize({links_.Options.TTxImageW, links_.Options.TTxImageH},
                                              {available.width(), available.height()});
  imageSize_ = QSize(size.Width, size.Height);
  view_->SetPreferredSize(imageSize_);
  ConnectView();
  view_->setFocus();
}

void TFormTeletext::TImpl::BuildButtons(QToolBar *bar) {
  auto *page100 = ToolButton(bar, "100", "ttxPage100");
  page100->setPopupMode(QToolButton::MenuButtonPopup);
  auto *menu = new QMenu(page100);
  for (int page = 200; page <= 800; page += 100) {
    menu->addAction(QString::number(page), [this, page] {
      Apply(navigator_.GoToPage(page, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing);
    });
  }
  page100->setMenu(menu);
  QObject::connect(page100, &QToolButton::clicked, [this] {
    Apply(navigator_.GoToPage(kTtxFirstPage, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing);
  });

  QObject::connect(ToolButton(bar, "Back", "ttxBack", &back_), &QToolButton::clicked,
                   [this] { Apply(navigator_.Back()); });
  back_->setVisible(false);

  for (int i = 0; i < kTtxSubPageButtons; ++i) {
    subPages_[i] = ToolButton(bar, QString::number(i), QString("ttxSubPage%1").arg(i));
    QObject::connect(subPages_[i], &QToolButton::clicked,
                     [this, i] { Apply(navigator_.SubPageButton(i)); });
  }
  QObject::connect(ToolButton(bar, "Auto", "ttxAuto", &auto_), &QToolButton::clicked,
                   [this] { Apply(navigator_.AutoButton()); });
}

void TFormTeletext::TImpl::BuildLanguageMenu(QToolBar *bar) {
  auto *button = ToolButton(bar, "Language", "ttxLanguage");
  button->setPopupMode(QToolButton::InstantPopup);
  auto *menu = new QMenu(button);
  languages_ = new QActionGroup(menu);
  for (const TtxLanguageItem &item : TtxLanguageMenu()) {
    QAction *action = menu->addAction(QString::fromUtf8(item.Name));
    action->setCheckable(true);
    action->setChecked(item.Code == navigator_.LanguageChoice());
    action->setData(item.Code);
    languages_->addAction(action);
    QObject::connect(action, &QAction::triggered,
                     [this, code = item.Code] { Apply(navigator_.SetLanguage(code)); });
  }
  button->setMenu(menu);
}

void TFormTeletext::TImpl::BuildStatus(QVBoxLayout *layout) {
  auto *status = new QHBoxLayout;
  pageStatus_ = StatusPanel(&form_, status, "ttxStatusPage", 2);
  countStatus_ = StatusPanel(&form_, status, "ttxStatusCount", 2);
  nationalStatus_ = StatusPanel(&form_, status, "ttxStatusNational", 5);
  timeStatus_ = StatusPanel(&form_, status, "ttxStatusTime", 2);
  linkStatus_ = StatusPanel(&form_, status, "ttxLink", 1);
  pageStatus_->setText("---");
  layout->addLayout(status);
}

void TFormTeletext::TImpl::ConnectView() {
  view_->KeyPressed = [this](int key) {
    bool handled = false;
    OnKey(key, handled);
    return handled;
  };
  view_->PointerMoved = [this](QPoint position) {
    const QSize cell = renderer_.CellSize();
    if (cell.isEmpty())
      return;
    UpdateLink(QPoint(position.x() / cell.width(), position.y() / cell.height()), false);
  };
  view_->Clicked = [this](QPoint position) { OnClick(position); };
  view_->Resized = [this](QSize size) { OnResize(size); };
}

void TFormTeletext::TImpl::OnKey(int key, bool &handled) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    handled = true;
    const TTtxRedraw redraw = navigator_.TypeDigit(key - Qt::Key_0);
    if (redraw == TTtxRedraw::Header)
      DrawHeaderOnly();
    else
      Apply(redraw);
  } else if (key == Qt::Key_Escape) {
    handled = true;
    navigator_.Escape(); // the header shows it at its next redraw
  }
}

void TFormTeletext::TImpl::OnClick(QPoint position) {
  const QSize cell = renderer_.CellSize();
  if (cell.isEmpty())
    return;
  UpdateLink(QPoint(position.x() / cell.width(), position.y() / cell.height()), false);
  if (hovered_.Page) {
    Apply(navigator_.GoToPage(hovered_.Page, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing);
    return;
  }
  if (hovered_.Text.empty())
    return;
  const std::string url = LinkUrl(hovered_.Text);
  if (!IsOpenableUrl(url))
    return;
  if (links_.OpenUrl)
    links_.OpenUrl(url);
  else
    OpenWithDesktop(url);
}

void TFormTeletext::TImpl::OnResize(QSize size) {
  const TTtxImageSize snapped = SnapImageSize({size.width(), size.height()});
  const QSize image(snapped.Width, snapped.Height);
  if (image == imageSize_)
    return;
  imageSize_ = image;
  links_.Options.TTxImageW = image.width();
  links_.Options.TTxImageH = image.height();
  ShowPage();
}

void TFormTeletext::TImpl::UpdateLink(QPoint cell, bool force) {
  if (cell == hoveredCell_ && !force)
    return;
  hoveredCell_ = cell;
  hovered_ = shown_ ? LinkAt(*shown_, cell.x(), cell.y()) : TTtxLink{};
  linkStatus_->setText(QString::fromStdString(LinkCaption(hovered_)));
  view_->setCursor(hovered_.Empty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void TFormTeletext::TImpl::UpdateButtons() {
  back_->setVisible(navigator_.BackVisible());
  auto_->setVisible(!navigator_.AutoSubPage());
  const auto buttons = navigator_.SubPageButtons();
  const QString highlight = navigator_.AutoSubPage() ? "background-color: yellow; color: black"
                                                     : "background-color: red; color: white";
  for (int i = 0; i < kTtxSubPageButtons; ++i) {
    subPages_[i]->setEnabled(buttons[i].Enabled);
    subPages_[i]->setStyleSheet(buttons[i].Current ? highlight : QString());
  }
  for (QAction *action : languages_->actions())
    action->setChecked(action->data().toInt() == navigator_.LanguageChoice());
}

void TFormTeletext::TImpl::DrawGrid() {
  TTtxGridRow header;
  LayoutRow(navigator_.HeaderRow(), renderer_.Table(), header);
  renderer_.DrawRow(header, 0);
  if (!shown_) {
    renderer_.DrawMessage(QString::fromStdString(navigator_.Message()));
    return;
  }
  const TTtxPageGrid grid = LayoutPage(*shown_, renderer_.Table(), shown_->ShowRow24 != 0);
  for (int row = 1; row < kTtxRows; ++row) {
    if (grid.Shown[row])
      renderer_.DrawRow(grid.Rows[row], row);
  }
}

void TFormTeletext::TImpl::ShowPage() {
  QElapsedTimer timer;
  timer.start();
  shown_ = navigator_.ShownPage();
  const int code = navigator_.NationalCode(shown_);
  renderer_.Prepare(imageSize_, code);
  UpdateButtons();
  renderer_.Clear();
  DrawGrid();
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", code & 0xFF);
  nationalStatus_->setText(
      QString(" [%1] %2").arg(hex, QString::fromStdString(renderer_.LanguageName())));
  timeStatus_->setText(QString::number(timer.elapsed()) + " ms");
  UpdateLink(hoveredCell_, true);
  view_->update();
}

void TFormTeletext::TImpl::DrawHeaderOnly() {
  if (renderer_.CellSize().isEmpty()) {
    ShowPage();
    return;
  }
  TTtxGridRow header;
  LayoutRow(navigator_.HeaderRow(), renderer_.Table(), header);
  renderer_.DrawRow(header, 0);
  view_->update();
}

void TFormTeletext::TImpl::Apply(TTtxRedraw redraw) {
  switch (redraw) {
  case TTtxRedraw::Nothing:
    break;
  case TTtxRedraw::Header:
    DrawHeaderOnly();
    break;
  case TTtxRedraw::Page:
    ShowPage();
    break;
  case TTtxRedraw::Close:
    form_.close();
    break;
  }
}

void TFormTeletext::TImpl::ShowCount() {
  countStatus_->setText(QString::number(links_.Cache.PageCount()) + " pages");
}

void TFormTeletext::TImpl::HandleNotification(int value, int subpage) {
  const TTtxRedraw redraw = navigator_.OnNotification(value, subpage);
  pageStatus_->setText(value == kTtxCacheEvent ? QString("---")
                                               : QString("%1/%2").arg(value).arg(subpage));
  ShowCount();
  Apply(redraw);
}

TFormTeletext::TFormTeletext(TTtxWindowLinks links, QWidget *owner)
    : QWidget(owner, Qt::Window), impl_(std::make_unique<TImpl>(*this, std::move(links))) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Teletext");
  impl_->Build();
  // Subscribed before the collection starts, so that a channel without teletext is reported.
  impl_->links_.Hub.Add(frame::kNotifyTeletext, &TFormTeletext::OnNotification, this);
  if (impl_->links_.Acquire)
    impl_->links_.Acquire();
  impl_->navigator_.GoToPage(kTtxFirstPage, -1);
  impl_->ShowCount();
  impl_->ShowPage();
}

TFormTeletext::~TFormTeletext() {
  // After Remove no delivery thread is inside OnNotification; posts already queued go with
  // this object.
  impl_->links_.Hub.Remove(frame::kNotifyTeletext, &TFormTeletext::OnNotification, this);
  if (impl_->links_.Release)
    impl_->links_.Release();
}

void TFormTeletext::OnNotification(void *context, std::intptr_t value, std::intptr_t subpage) {
  if (!IsTtxWindowNotification(static_cast<int>(value), static_cast<int>(subpage)))
    return;
  auto *form = static_cast<TFormTeletext *>(context);
  QMetaObject::invokeMethod(
      form,
      [form, value, subpage] {
        form->impl_->HandleNotification(static_cast<int>(value), static_cast<int>(subpage));
      },
      Qt::QueuedConnection);
}

TFormTeletext *TFormTeletext::Open(TTtxWindowLinks links, QWidget *owner) {
  if (instance_) {
    instance_->showNormal();
    instance_->raise();
    instance_->activateWindow();
    return instance_;
  }
  instance_ = new TFormTeletext(std::move(links), owner);
  instance_->adjustSize();
  instance_->show();
  return instance_;
}

TFormTeletext *TFormTeletext::Instance() { return instance_; }

void TFormTeletext::RunGesture(TTtxGesture gesture) {
  impl_->Apply(impl_->navigator_.Gesture(gesture));
}

const TTtxNavigator &TFormTeletext::Navigator() const { return impl_->navigator_; }

const QImage &TFormTeletext::PageImage() const { return impl_->renderer_.Image(); }

} // namespace qev::teletext
