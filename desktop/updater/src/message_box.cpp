#include "message_box.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace updater {

void ShowOkMessage(QWidget* owner, const QString& text, const QString& caption) {
  const char* unattended = std::getenv("KAVREL_UNATTENDED");
  if (unattended && std::strcmp(unattended, "1") == 0) {
    // One line per box, whatever line breaks the text holds.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    std::fprintf(stderr, "message: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace updater
