#pragma once
#include <QLocale>

// The user's decimal separator as the core's float texts take it: one byte;
// '.' where the locale's is not a single ASCII character.
inline char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) return static_cast<char>(point[0].unicode());
  return '.';
}
