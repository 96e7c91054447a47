// CeAppMgr: the desktop application manager. Given a set-up file, it unpacks the
// component's cabinets into the connected handheld's program folder, records the
// component's version as the client's installed version, and ends. Without one it
// shows its window until closed.
//   CeAppMgr [--screenshot PNG] [SETUP.ini]
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "install.h"
#include "kavrel/device.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/desktop_window.h"
#include "kavrel/window_class.h"

namespace {

// The window other programs look for: class "CEAppMgr", title "Add/Remove Programs".
constexpr const char* kWindowClass = "CEAppMgr";
constexpr const char* kWindowTitle = "Add/Remove Programs";

void Report(const QString& text) {
  kavrel::ui::ShowMessageBox(nullptr, text, kWindowTitle, kavrel::ui::MessageIcon::Error);
}

// Records the installed version in the handheld's settings, where the client's
// settings store keeps them.
bool RecordVersion(const std::filesystem::path& device, const std::string& version) {
  auto location = kavrel::device::LocateProfileKey(device, kavrel::device::kClientSettingsKey);
  if (!location) return false;
  QSettings settings(QString::fromStdString(location->file.string()), QSettings::IniFormat);
  settings.beginGroup(QString::fromStdString(location->group));
  settings.setValue(QString::fromUtf8(kavrel::device::kCurrentVersionValue.data(),
                                      static_cast<qsizetype>(kavrel::device::kCurrentVersionValue.size())),
                    QString::fromStdString(version));
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError;
}

int Install(const QString& setupFile) {
  auto device = kavrel::device::ConnectedDevice();
  if (!device) {
    Report("No device is connected.");
    return 1;
  }
  auto outcome = appmgr::InstallFromSetupFile(setupFile.toStdString(), *device);
  if (!outcome.ok) {
    Report(QString::fromStdString(outcome.error));
    return 1;
  }
  if (!RecordVersion(*device, outcome.version)) {
    Report("The installed version cannot be recorded on the device.");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QString screenshot;
  if (args.size() >= 2 && args[0] == "--screenshot") {
    screenshot = args[1];
    args = args.mid(2);
  }
  if (args.size() > 1) {
    std::fprintf(stderr, "usage: CeAppMgr [--screenshot PNG] [SETUP.ini]\n");
    return 2;
  }
  const QString setupFile = args.value(0);

  QWidget window;
  window.setObjectName(kWindowClass);
  window.setWindowTitle(kWindowTitle);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel(setupFile.isEmpty() ? "Programs are added to the connected device from here."
                                                   : "Installing on the connected device...",
                               &window));
  window.resize(360, 120);
  window.show();
  if (!screenshot.isEmpty()) window.grab().save(screenshot);

  // Other programs find the window by its class and title, and close it with WM_CLOSE.
  auto desktopWindow = kavrel::desktop::Window::Create([&](unsigned message, std::int64_t, std::int64_t) -> std::int64_t {
    if (message == kavrel::desktop::kWmClose) window.close();
    return 0;
  });
  std::unique_ptr<kavrel::desktop::WindowClassEntry> entry;
  if (desktopWindow) {
    auto* notifier = new QSocketNotifier(desktopWindow->fd(), QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&] { desktopWindow->DispatchPending(); });
    entry = std::make_unique<kavrel::desktop::WindowClassEntry>(desktopWindow->handle(), kWindowClass, kWindowTitle);
  }

  if (setupFile.isEmpty()) {
    // Tells whoever waits for it that the window can now be found.
    std::printf("%s window %d\n", kWindowClass, desktopWindow ? desktopWindow->handle() : 0);
    std::fflush(stdout);
    return app.exec();
  }
  int result = 0;
  QTimer::singleShot(0, &window, [&] {
    result = Install(setupFile);
    app.quit();
  });
  app.exec();
  return result;
}
