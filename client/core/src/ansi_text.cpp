#include "ansi_text.h"

#include "kavrel/cp949.h"

namespace client {

std::optional<std::string> ToAnsi(const QString& text) {
  return kavrel::Utf16ToCp949(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                  static_cast<std::size_t>(text.size())));
}

std::string ToAnsiLossy(const QString& text) {
  return kavrel::Utf8ToCp949Lossy(text.toStdString());
}

QString FromAnsi(std::string_view cp949) {
  return QString::fromStdString(kavrel::Cp949ToUtf8Lossy(cp949));
}

}  // namespace client
