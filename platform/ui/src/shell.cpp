#include "kavrel/ui/shell.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>
#include <QWidget>

#include <atomic>

#include "kavrel/ui/gui_thread.h"

namespace kavrel::ui {
namespace {

std::atomic<CursorShape> asked{CursorShape::Arrow};
bool overridden = false;  // GUI thread only

void ApplyCursor(CursorShape shape) {
  if (shape == CursorShape::Wait && !overridden) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    overridden = true;
  } else if (shape == CursorShape::Arrow && overridden) {
    QGuiApplication::restoreOverrideCursor();
    overridden = false;
  }
}

void CursorHook(CursorShape shape) {
  asked.store(shape);
  if (OnGuiThread()) {
    ApplyCursor(shape);
  } else if (QCoreApplication* app = QCoreApplication::instance()) {
    // The latest wish wins, whatever order the posts arrive in.
    PostToGui(app, [] { ApplyCursor(asked.load()); });
  }
}

}  // namespace

void InstallCursorHook() { SetCursorHook(&CursorHook); }

CursorShape CurrentCursor() { return asked.load(); }

void SetFullScreen(QWidget* frame, QWidget* commandBar, bool on) {
  if (!frame) return;
  QRect r = frame->geometry();
  if (on) {
    frame->setGeometry(r.x(), r.y() - kShellBarHeight, r.width(), r.height() + 2 * kShellBarHeight);
    if (commandBar) commandBar->hide();
  } else {
    if (commandBar) commandBar->show();
    frame->setGeometry(r.x(), r.y() + kShellBarHeight, r.width(), r.height() - 2 * kShellBarHeight);
  }
}

void SetNavBarTitle(QWidget* widget, const QString& title) {
  if (widget) widget->window()->setWindowTitle(title);
}

}  // namespace kavrel::ui
