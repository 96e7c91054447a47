// KavrelClientPDA: the handheld traffic ticker.
//   KavrelClientPDA [--screenshot FILE] [--quit-after MS]
// --quit-after ends the program after MS milliseconds as the exit command does (logout
// included), even while a dialog or message box is open; --screenshot saves the main
// view's 240 x 320 pixels as PNG just before. With QT_QPA_PLATFORM=offscreen both run
// without a display.
#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"
#include "viewer_dialogs.h"

namespace {

struct Options {
  QString screenshot;
  std::optional<int> quitAfterMs;
};

int Usage(const char* problem) {
  std::fprintf(stderr, "KavrelClientPDA: %s\nusage: KavrelClientPDA [--screenshot FILE] [--quit-after MS]\n", problem);
  return 2;
}

// nullopt (after a usage message) when the command line is not understood.
std::optional<Options> ParseOptions(const QStringList& args) {
  Options o;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if ((a == QLatin1String("--screenshot") || a == QLatin1String("--quit-after")) && i + 1 >= args.size()) {
      Usage("an option needs a value");
      return std::nullopt;
    }
    if (a == QLatin1String("--screenshot")) {
      o.screenshot = args[++i];
    } else if (a == QLatin1String("--quit-after")) {
      bool ok = false;
      const int ms = args[++i].toInt(&ok);
      if (!ok || ms < 0) {
        Usage("--quit-after needs milliseconds (0 or more)");
        return std::nullopt;
      }
      o.quitAfterMs = ms;
    } else {
      Usage("unknown argument");
      return std::nullopt;
    }
  }
  return o;
}

bool SaveScreenshot(CMainFrame& frame, const QString& file) {
  QImage image(240, 320, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  frame.view()->render(&painter);
  painter.end();
  return image.save(file, "PNG");
}

// Ends the run as the exit command does, whatever is open: dialogs and message boxes
// are closed first, then the frame (which logs out).
void QuitNow(CKavrelClientPDAApp& app, const QString& screenshot) {
  CMainFrame* frame = app.mainFrame();
  if (!frame) {
    QApplication::quit();
    return;
  }
  if (!screenshot.isEmpty()) {
    if (SaveScreenshot(*frame, screenshot))
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

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  std::optional<Options> options = ParseOptions(QApplication::arguments());
  if (!options) return 2;

  // The Korean font, whatever the desktop's default is.
  QFont font(QStringLiteral("NanumGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  kavrel::ui::InstallCursorHook();

  CKavrelClientPDAApp app;
  if (options->quitAfterMs) {
    QString screenshot = options->screenshot;
    QTimer::singleShot(*options->quitAfterMs, &qapp, [&app, screenshot] { QuitNow(app, screenshot); });
  }
  // The dialogs of the client/dialogs module behind the view's commands.
  ViewerDialogs dialogs(app);
  if (!app.InitInstance([&dialogs](CMainFrame& frame) { frame.view()->SetDialogs(&dialogs); })) return 1;
  return qapp.exec();
}
