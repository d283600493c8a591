#include "frame/qt/qt_message_presenter.h"

#include <QMessageBox>

namespace qev::frame {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
  case MessageIcon::Question:
    return QMessageBox::Question;
  case MessageIcon::Error:
    return QMessageBox::Critical;
  case MessageIcon::Warning:
    return QMessageBox::Warning;
  case MessageIcon::Information:
    break;
  }
  return QMessageBox::Information;
}

int Present(const std::string& caption, const std::string& text, MessageIcon icon,
            QMessageBox::StandardButtons buttons) {
  QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), MessageBoxText(text), buttons);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.exec();
}

} // namespace

QString MessageBoxText(const std::string& text) {
  return QString::fromStdString(text).replace("\r\n", "\n").replace('\r', '\n');
}

bool TQtMessagePresenter::Ask(const std::string& caption, const std::string& text,
                              MessageIcon icon) {
  return Present(caption, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TQtMessagePresenter::Tell(const std::string& caption, const std::string& text,
                               MessageIcon icon) {
  Present(caption, text, icon, QMessageBox::Ok);
}

} // namespace qev::frame
