#include "editing/display_text.h"

#include <QFontMetrics>

namespace kavor {

bool IsControlByte(unsigned char byte) { return byte < 0x20 || (byte >= 0x7F && byte <= 0x9F); }

QChar ControlPlaceholder(const QFont& font) {
  const QChar replacement(0xFFFD);
  return QFontMetrics(font).inFont(replacement) ? replacement : QChar('?');
}

QString DisplayText(const std::string& bytes, QChar placeholder) {
  QString text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
  for (qsizetype i = 0; i < text.size(); ++i)
    if (IsControlByte(static_cast<unsigned char>(bytes[std::size_t(i)]))) text[i] = placeholder;
  return text;
}

}  // namespace kavor
