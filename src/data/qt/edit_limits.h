#pragma once

#include <QString>

#include <cstddef>

class QLineEdit;

namespace qev::data {

// Keeps what the user types within maxBytes of UTF-8, cut at a character boundary, because
// the record's fixed fields count bytes, not characters.
void LimitUtf8Bytes(QLineEdit &edit, std::size_t maxBytes);
QString CutToUtf8Bytes(const QString &text, std::size_t maxBytes);

} // namespace qev::data
