#include "kavrel/ui/gui_thread.h"

#include <QCoreApplication>
#include <QThread>

namespace kavrel::ui {

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void PostToGui(QObject* context, std::function<void()> work) {
  if (!context) return;
  QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

}  // namespace kavrel::ui
