// pupdater: the desktop updater, started by its caller as
//   pupdater 'CALLER /BASE_ADDRESS /VERSION'
// (the caller's window handle in decimal, the update script's address, the installed
// version). Downloads go to "__TEMP__" in the current directory.
//   --screenshot FILE   writes a PNG of the window once it is set up
// KAVREL_UNATTENDED=1 answers every message box with OK and logs it on standard error.
#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "command_line.h"
#include "updater_dialog.h"

namespace updater {

// The application object: runs the updater window and ends when it closes.
class UpdaterApp {
 public:
  static int Run(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Updater");
    app.setQuitOnLastWindowClosed(false);  // the window is hidden until the caller says
    QStringList args = app.arguments().mid(1);
    QString screenshot;
    if (args.size() >= 2 && args[0] == "--screenshot") {
      screenshot = args[1];
      args = args.mid(2);
    }
    UpdaterDialog dialog(ParseCommandLine(args.join(' ').toStdString()), screenshot);
    QObject::connect(&dialog, &QDialog::finished, &app, [&app](int result) { app.exit(result); });
    QTimer::singleShot(0, &dialog, &UpdaterDialog::Start);
    return app.exec();
  }
};

}  // namespace updater

int main(int argc, char** argv) { return updater::UpdaterApp::Run(argc, argv); }
