#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace qev::guide {

struct TEpgEventDetails;

// The 14 x 14 age badge: a red disc with the age in white.
QPixmap AgeBadge(int age);

// The focused event: its short and extended text (the search match selected), its content, its
// event id and its age badge.
class TEpgDetailsPanel final : public QWidget {
  Q_OBJECT
public:
  explicit TEpgDetailsPanel(QWidget *parent = nullptr);

  void Show(const TEpgEventDetails &details);

private:
  QPlainTextEdit *shortText_ = nullptr;
  QPlainTextEdit *extendedText_ = nullptr;
  QLabel *content_ = nullptr;
  QLabel *eventId_ = nullptr;
  QLabel *age_ = nullptr;
};

} // namespace qev::guide
