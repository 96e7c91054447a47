// PlumoSetup: started when the handheld is connected. Reads the handheld's version,
// runs the updater and installs what it downloaded; shows nothing but its messages.
// No command-line arguments are read.
#include <QApplication>
#include <QTimer>

#include "instance_lock.h"
#include "setup_dialog.h"

namespace setup {

// The application object: runs SetupDialog and ends when it closes.
class SetupApp {
 public:
  int Run() {
    // A second installer would delete the first one's files: it ends at once.
    InstanceLock lock;
    if (lock.heldElsewhere()) return 0;
    SetupDialog dialog;
    QObject::connect(&dialog, &QDialog::finished, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QTimer::singleShot(0, &dialog, &SetupDialog::Start);
    QApplication::exec();
    return 0;
  }
};

}  // namespace setup

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  return setup::SetupApp().Run();
}
