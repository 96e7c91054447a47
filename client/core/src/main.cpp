// KavrelClientPDA: the handheld traffic ticker.
//   KavrelClientPDA [--screenshot FILE] [--quit-after MS] [--trace] [--tour DIR] [--scale N]
// --quit-after ends the program after MS milliseconds as the exit command does (logout
// included), even while a dialog or message box is open; --screenshot saves the main
// window as the 240 x 320 screen shows it (PNG) just before. --tour saves every screen
// in DIR and exits (see tour.h). --scale draws the screen N (1-4) times larger on a
// desktop monitor; pictures stay 240 x 320. With QT_QPA_PLATFORM=offscreen all of them
// run without a display. SIGTERM and SIGINT end the program the same way. --trace writes
// progress lines ("trace: ...") on standard error for scripts that watch the run.
#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "handheld_screen.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"
#include "program_dialogs.h"
#include "run_trace.h"
#include "tour.h"

namespace {

struct Options {
  QString screenshot;
  std::optional<int> quitAfterMs;
  bool trace = false;
  QString tourDir;
  int scale = 1;
};

int Usage(const char* problem) {
  std::fprintf(stderr,
               "KavrelClientPDA: %s\n"
               "usage: KavrelClientPDA [--screenshot FILE] [--quit-after MS] [--trace] [--tour DIR] [--scale N]\n",
               problem);
  return 2;
}

// nullopt (after a usage message) when the command line is not understood. Read before
// the application object exists (the scale must be set first).
std::optional<Options> ParseOptions(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  Options o;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool takesValue = a == QLatin1String("--screenshot") || a == QLatin1String("--quit-after") ||
                            a == QLatin1String("--tour") || a == QLatin1String("--scale");
    if (takesValue && i + 1 >= args.size()) {
      Usage("an option needs a value");
      return std::nullopt;
    }
    if (a == QLatin1String("--screenshot")) {
      o.screenshot = args[++i];
    } else if (a == QLatin1String("--tour")) {
      o.tourDir = args[++i];
      if (o.tourDir.isEmpty()) {
        Usage("--tour needs a folder");
        return std::nullopt;
      }
    } else if (a == QLatin1String("--scale")) {
      const std::optional<int> scale = client::ParseScale(args[++i]);
      if (!scale) {
        Usage("--scale needs a whole number from 1 to 4");
        return std::nullopt;
      }
      o.scale = *scale;
    } else if (a == QLatin1String("--quit-after")) {
      bool ok = false;
      const int ms = args[++i].toInt(&ok);
      if (!ok || ms < 0) {
        Usage("--quit-after needs milliseconds (0 or more)");
        return std::nullopt;
      }
      o.quitAfterMs = ms;
    } else if (a == QLatin1String("--trace")) {
      o.trace = true;
    } else {
      Usage("unknown argument");
      return std::nullopt;
    }
  }
  return o;
}

// Ends the run as the exit command does, whatever is open: dialogs and message boxes
// are closed first, then the frame (which logs out).
void QuitNow(CKavrelClientPDAApp& app, const QString& screenshot) {
  static bool quitting = false;  // --quit-after and a signal may both ask
  if (quitting) return;
  quitting = true;
  CMainFrame* frame = app.mainFrame();
  if (!frame) {
    QApplication::quit();
    return;
  }
  if (!screenshot.isEmpty()) {
    if (client::CaptureScreen(*frame).save(screenshot, "PNG"))
      std::fprintf(stderr, "screenshot: %s\n", screenshot.toUtf8().constData());
    else
      std::fprintf(stderr, "KavrelClientPDA: cannot write %s\n", screenshot.toUtf8().constData());
  }
  // Every box or dialog open now, or opened on the way out (a failed logout's box), is
  // closed as soon as it shows; the frame closes once none is open.
  auto* closer = new QTimer(QCoreApplication::instance());
  QObject::connect(closer, &QTimer::timeout, [frame, closed = false]() mutable {
    bool open = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) {
        dialog->reject();
        open = true;
      }
    }
    if (!open && !closed) {
      closed = true;
      // Posted: the closing runs its own boxes, which this timer must still reach.
      QTimer::singleShot(0, frame, [frame] { frame->close(); });
    }
  });
  closer->start(20);
}

// SIGTERM and SIGINT reach the GUI thread through a socket pair: the handler only
// writes one byte.
int quitSignalSocket[2] = {-1, -1};

void OnQuitSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(quitSignalSocket[1], &byte, 1);
}

// Runs `quit` on the GUI thread when either signal arrives; false when the socket pair
// cannot be made (the signals then keep their default action).
bool CatchQuitSignals(std::function<void()> quit) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, quitSignalSocket) != 0) return false;
  auto* notifier = new QSocketNotifier(quitSignalSocket[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [notifier, quit = std::move(quit)] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(quitSignalSocket[0], &byte, 1);
    notifier->setEnabled(false);  // one quit is enough
    quit();
  });
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return 2;
  if (options->scale != 1) client::SetScreenScale(options->scale);
  QApplication qapp(argc, argv);

  // The Korean font, whatever the desktop's default is.
  QFont font(QStringLiteral("NanumGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  kavrel::ui::InstallCursorHook();

  CKavrelClientPDAApp app;
  const QString screenshot = options->screenshot;
  if (options->quitAfterMs)
    QTimer::singleShot(*options->quitAfterMs, &qapp, [&app, screenshot] { QuitNow(app, screenshot); });
  CatchQuitSignals([&app, screenshot] { QuitNow(app, screenshot); });
  std::unique_ptr<RunTrace> trace;
  if (options->trace) trace = std::make_unique<RunTrace>(app);
  ProgramDialogs dialogs(app);
  bool tourComplete = true;
  std::optional<CTour> tour;
  if (!options->tourDir.isEmpty())
    tour.emplace(app, options->tourDir, [&app, &tourComplete](bool complete) {
      tourComplete = complete;
      QuitNow(app, {});
    });
  if (!app.InitInstance([&dialogs](CMainFrame& frame) { frame.view()->SetDialogs(&dialogs); })) return 1;
  if (tour) tour->Start();
  int code = qapp.exec();
  if (trace) trace->Finish();
  if (code == 0 && !tourComplete) code = 1;
  // The view outlives `dialogs` (it goes with the application): give it its own back.
  if (CMainFrame* frame = app.mainFrame()) frame->view()->SetDialogs(nullptr);
  return code;
}
