#include "ui/qt/main_key_names.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace qev::ui {

namespace {

std::string KeypadName(int key) {
  switch (key) {
  case Qt::Key_Plus:
    return "Num +";
  case Qt::Key_Minus:
    return "Num -";
  case Qt::Key_Asterisk:
    return "Num *";
  case Qt::Key_Slash:
    return "Num /";
  case Qt::Key_Enter:
    return "Enter";
  default:
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
      return "Num " + std::string(1, static_cast<char>('0' + key - Qt::Key_0));
    return {};
  }
}

std::string BaseName(int key, bool keypad) {
  if (keypad) {
    if (std::string name = KeypadName(key); !name.empty())
      return name;
  }
  switch (key) {
  case Qt::Key_Shift:
  case Qt::Key_Control:
  case Qt::Key_Alt:
  case Qt::Key_Meta:
  case Qt::Key_unknown:
    return {};
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return "Enter";
  case Qt::Key_Escape:
    return "Esc";
  case Qt::Key_PageUp:
    return "Page Up";
  case Qt::Key_PageDown:
    return "Page Down";
  default:
    return QKeySequence(key).toString(QKeySequence::PortableText).toStdString();
  }
}

} // namespace

std::string KeyNameOf(const QKeyEvent &event) {
  const Qt::KeyboardModifiers held = event.modifiers();
  std::string name;
  if (held & Qt::ControlModifier)
    name += "Ctrl+";
  if (held & Qt::ShiftModifier)
    name += "Shift+";
  if (held & Qt::AltModifier)
    name += "Alt+";
  if (held & Qt::MetaModifier)
    name += "Win+";
  return name + BaseName(event.key(), held & Qt::KeypadModifier);
}

} // namespace qev::ui
