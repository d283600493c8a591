#include "guide/qt/epg_details_panel.h"

#include "guide/epg_view_model.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

namespace qev::guide {

namespace {

constexpr int kBadgeSize = 14;

QPlainTextEdit *TextBox(const char *name, int minimumHeight) {
  auto *box = new QPlainTextEdit;
  box->setObjectName(name);
  box->setReadOnly(true);
  box->setMinimumHeight(minimumHeight);
  return box;
}

// The match is given in bytes of the UTF-8 text; the box counts UTF-16 units.
void ShowText(QPlainTextEdit &box, const std::string &text,
              const std::optional<TTextRange> &match) {
  box.setPlainText(QString::fromStdString(text));
  if (!match || match->Pos + match->Length > text.size())
    return;
  const auto start = QString::fromUtf8(text.data(), static_cast<qsizetype>(match->Pos)).size();
  const auto length =
      QString::fromUtf8(text.data() + match->Pos, static_cast<qsizetype>(match->Length)).size();
  QTextCursor cursor = box.textCursor();
  cursor.setPosition(static_cast<int>(start));
  cursor.setPosition(static_cast<int>(start + length), QTextCursor::KeepAnchor);
  box.setTextCursor(cursor);
}

} // namespace

QPixmap AgeBadge(int age) {
  QPixmap badge(kBadgeSize, kBadgeSize);
  badge.fill(Qt::transparent);
  QPainter painter(&badge);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::red);
  painter.drawEllipse(0, 0, kBadgeSize, kBadgeSize);
  QFont font("Tahoma");
  font.setPointSize(6);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, kBadgeSize, kBadgeSize), Qt::AlignCenter, QString::number(age));
  return badge;
}

TEpgDetailsPanel::TEpgDetailsPanel(QWidget *parent) : QWidget(parent) {
  setObjectName("detailsPanel");
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  shortText_ = TextBox("shortText", 40);
  extendedText_ = TextBox("extendedText", 80);
  column->addWidget(shortText_, 1);
  column->addWidget(extendedText_, 2);
  auto *line = new QHBoxLayout;
  age_ = new QLabel;
  age_->setObjectName("ageBadge");
  age_->setFixedSize(kBadgeSize, kBadgeSize);
  content_ = new QLabel;
  content_->setObjectName("contentLabel");
  eventId_ = new QLabel;
  eventId_->setObjectName("eventIdLabel");
  line->addWidget(age_);
  line->addWidget(content_, 1);
  line->addWidget(eventId_);
  column->addLayout(line);
  age_->hide();
}

void TEpgDetailsPanel::Show(const TEpgEventDetails &details) {
  ShowText(*shortText_, details.ShortText, details.ShortMatch);
  ShowText(*extendedText_, details.ExtendedText, details.ExtendedMatch);
  content_->setText(QString::fromStdString(details.ContentText));
  eventId_->setText(QString::fromStdString(details.EventIdText));
  age_->setVisible(details.MinAge != 0);
  if (details.MinAge != 0)
    age_->setPixmap(AgeBadge(details.MinAge));
}

} // namespace qev::guide
