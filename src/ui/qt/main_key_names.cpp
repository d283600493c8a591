#include "ui/qt/main_key_names.h"

#include "ui/key_names.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <optional>

namespace qev::ui {

namespace {

std::optional<TExtendedKey> ExtendedKeyOf(int key, bool keypad) {
  switch (key) {
  case Qt::Key_PageUp:
    return TExtendedKey::PageUp;
  case Qt::Key_PageDown:
    return TExtendedKey::PageDown;
  case Qt::Key_End:
    return TExtendedKey::End;
  case Qt::Key_Home:
    return TExtendedKey::Home;
  case Qt::Key_Left:
    return TExtendedKey::Left;
  case Qt::Key_Up:
    return TExtendedKey::Up;
  case Qt::Key_Right:
    return TExtendedKey::Right;
  case Qt::Key_Down:
    return TExtendedKey::Down;
  case Qt::Key_Insert:
    return TExtendedKey::Insert;
  case Qt::Key_Delete:
    return TExtendedKey::Delete;
  case Qt::Key_Slash:
    if (keypad)
      return TExtendedKey::Divide;
    return std::nullopt;
  default:
    return std::nullopt;
  }
}

bool IsModifierKey(int key) {
  switch (key) {
  case Qt::Key_Shift:
  case Qt::Key_Control:
  case Qt::Key_Alt:
  case Qt::Key_AltGr:
  case Qt::Key_Meta:
  case Qt::Key_Super_L:
  case Qt::Key_Super_R:
  case Qt::Key_Hyper_L:
  case Qt::Key_Hyper_R:
  case Qt::Key_unknown:
    return true;
  default:
    return false;
  }
}

// Without an X11 key code (offscreen, Wayland without one, synthesised events).
std::string KeypadName(int key) {
  switch (key) {
  case Qt::Key_Plus:
    return "Num +";
  case Qt::Key_Minus:
    return "Num -";
  case Qt::Key_Asterisk:
    return "Num *";
  case Qt::Key_Period:
  case Qt::Key_Comma:
    return "Num Del";
  case Qt::Key_Enter:
    return "Enter";
  default:
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
      return "Num " + std::string(1, static_cast<char>('0' + key - Qt::Key_0));
    return {};
  }
}

std::string QtKeyName(int key, bool keypad) {
  if (keypad) {
    if (std::string name = KeypadName(key); !name.empty())
      return name;
  }
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return "Enter";
  case Qt::Key_Escape:
    return "Esc";
  case Qt::Key_CapsLock:
    return "Caps Lock";
  case Qt::Key_NumLock:
    return "Num Lock";
  case Qt::Key_ScrollLock:
    return "Scroll Lock";
  default:
    return QKeySequence(key).toString(QKeySequence::PortableText).toStdString();
  }
}

std::string BaseName(const QKeyEvent &event) {
  const int key = event.key();
  if (IsModifierKey(key))
    return {};
  const bool keypad = event.modifiers() & Qt::KeypadModifier;
  if (const auto extended = ExtendedKeyOf(key, keypad))
    return std::string(ExtendedKeyName(*extended));
  if (const std::string_view byPlace = ScanCodeKeyName(event.nativeScanCode()); !byPlace.empty())
    return std::string(byPlace);
  return QtKeyName(key, keypad);
}

} // namespace

std::string KeyNameOf(const QKeyEvent &event) {
  const Qt::KeyboardModifiers held = event.modifiers();
  return KeyNamePrefix({.Ctrl = (held & Qt::ControlModifier) != 0,
                        .Shift = (held & Qt::ShiftModifier) != 0,
                        .Alt = (held & Qt::AltModifier) != 0,
                        .Win = (held & Qt::MetaModifier) != 0}) +
         BaseName(event);
}

} // namespace qev::ui
