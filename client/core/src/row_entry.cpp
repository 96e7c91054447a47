#include "row_entry.h"

#include <climits>

namespace client {

QString TakeField(QString& rest) {
  const qsizetype comma = rest.indexOf(QLatin1Char(','));
  if (comma < 0) {
    QString field = rest;
    rest.clear();
    return field;
  }
  QString field = rest.left(comma);
  rest.remove(0, comma + 1);
  return field;
}

int AnsiToInt(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r')))) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) negative = text[i++] == QLatin1Char('-');
  long long value = 0;
  for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    value = value * 10 + (text[i].unicode() - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace client
