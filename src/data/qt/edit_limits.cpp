#include "data/qt/edit_limits.h"

#include "data/si_text.h"

#include <QLineEdit>

namespace qev::data {

QString CutToUtf8Bytes(const QString &text, std::size_t maxBytes) {
  const std::string utf8 = text.toStdString();
  return QString::fromStdString(std::string(CutUtf8(utf8, maxBytes)));
}

void LimitUtf8Bytes(QLineEdit &edit, std::size_t maxBytes) {
  QObject::connect(&edit, &QLineEdit::textChanged, &edit, [&edit, maxBytes](const QString &text) {
    const QString cut = CutToUtf8Bytes(text, maxBytes);
    if (cut != text)
      edit.setText(cut);
  });
}

} // namespace qev::data
