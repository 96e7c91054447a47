// The updater's message boxes, all in one place: a QMessageBox with an OK button, or,
// in an unattended run (KAVREL_UNATTENDED=1), one line "message: TEXT" on standard
// error, answered with OK without showing anything.
#pragma once

#include <QString>

class QWidget;

namespace updater {

void ShowOkMessage(QWidget* owner, const QString& text, const QString& caption);

}  // namespace updater
