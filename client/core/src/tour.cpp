#include "tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "handheld_screen.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"

namespace {

using View = CKavrelClientPDAView;

void Log(const QString& line) { std::fprintf(stderr, "tour: %s\n", line.toUtf8().constData()); }

QDialog* ActiveDialog() { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); }

// A word of a place name to search for: its first word without the last syllable
// ("가람역" → "가람"), so that the search finds its neighbours too.
QString SearchWord(const QString& placeName) {
  QString word = placeName.simplified().section(QLatin1Char(' '), 0, 0);
  if (word.size() > 2) word.chop(1);
  return word;
}

// Types `text` into `edit` as a user does: the old text selected, then key by key.
void Type(QLineEdit& edit, const QString& text) {
  edit.setFocus();
  edit.selectAll();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&edit, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&edit, &release);
  }
}

}  // namespace

CTour::CTour(CKavrelClientPDAApp& app, const QString& dir, std::function<void(bool)> done)
    : app_(app), dir_(dir), done_(std::move(done)) {}

View& CTour::view() const { return *app_.mainFrame()->view(); }

void CTour::Start() {
  if (!dir_.exists() && !QDir().mkpath(dir_.path())) return Fail(QStringLiteral("cannot make %1").arg(dir_.path()));
  // The login screen shows its controls when no login is under way; an automatic login
  // ends in the traffic screen with every item loaded (the menu button is enabled then).
  WaitUntil(QStringLiteral("the first screen"), kLoadLimitMs, [this] {
        return view().Control(View::kLoginButton)->isVisible() || view().Control(View::kMenuButton)->isEnabled();
      },
      [this] {
        if (view().Control(View::kLoginButton)->isVisible())
          LoginTour();
        else
          TrafficTour();
      });
}

// ---- Waiting without blocking ----

void CTour::Poll(QDeadlineTimer deadline, QString what, std::function<bool()> ready, Step then) {
  if (finished_) return;
  if (ready()) return then();
  if (deadline.hasExpired()) return Fail(QStringLiteral("gave up waiting for %1").arg(what));
  QTimer::singleShot(50, &context_, [=, this] { Poll(deadline, what, ready, then); });
}

void CTour::WaitUntil(const QString& what, int limitMs, std::function<bool()> ready, Step then) {
  Poll(QDeadlineTimer(limitMs), what, std::move(ready), std::move(then));
}

void CTour::After(int ms, Step then) {
  QTimer::singleShot(ms, &context_, [this, then = std::move(then)] {
    if (!finished_) then();
  });
}

void CTour::Save(const char* name, QWidget* top) {
  const QString file = dir_.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!client::CaptureScreen(*app_.mainFrame(), top).save(file, "PNG"))
    return Fail(QStringLiteral("cannot write %1").arg(file));
  Log(QStringLiteral("saved %1").arg(file));
}

void CTour::AwaitDialog(const char* name, std::function<void(QDialog&)> shown) {
  QPointer<QWidget> before = QApplication::activeModalWidget();
  WaitUntil(QString::fromLatin1(name), kDialogLimitMs,
            [before] { return ActiveDialog() && ActiveDialog() != before.data(); },
            [this, name, shown = std::move(shown)] {
              QDialog& dialog = *ActiveDialog();
              // Settled first: a dialog may still fill itself from posted work.
              After(kSettleMs, [this, name, shown, dialog = QPointer<QDialog>(&dialog)] {
                if (!dialog) return Fail(QStringLiteral("%1 closed by itself").arg(QString::fromLatin1(name)));
                shown(*dialog);
              });
            });
}

void CTour::Open(const char* name, Step command, std::function<void(QDialog&)> shown) {
  AwaitDialog(name, std::move(shown));
  // From a timer of its own: the command runs its dialog modally and returns only when
  // the dialog has closed, while the tour's timers go on inside the dialog's loop.
  After(0, std::move(command));
}

void CTour::Cancel(QDialog& dialog, Step next) {
  QPointer<QDialog> d(&dialog);
  dialog.reject();
  WaitUntil(QStringLiteral("a dialog to close"), kDialogLimitMs, [d] { return !d || !d->isVisible(); },
            [this, next = std::move(next)] { After(0, next); });
}

void CTour::Visit(const char* name, Step command, Step next) {
  Open(name, std::move(command), [this, name, next = std::move(next)](QDialog& dialog) {
    Save(name, &dialog);
    Cancel(dialog, next);
  });
}

CTour::Step CTour::Click(int control) {
  return [this, control] { static_cast<QAbstractButton*>(view().Control(control))->click(); };
}

void CTour::Fail(const QString& why) {
  Log(why);
  complete_ = false;
  if (!finished_) {
    finished_ = true;  // whatever was waiting gives up
    done_(false);
  }
}

void CTour::Finish() {
  if (finished_) return;
  finished_ = true;
  Log(QStringLiteral("done"));
  done_(complete_);
}

// ---- Without automatic login ----

void CTour::LoginTour() {
  After(kSettleMs, [this] {
    Save("login", nullptr);
    Visit("join", Click(View::kJoinButton),
          [this] { Visit("find-id", Click(View::kIdSearchButton), [this] { Finish(); }); });
  });
}

// ---- After automatic login ----

void CTour::TrafficTour() {
  After(kTrafficSettleMs, [this] {
    Save("traffic", nullptr);
    Open("settings", [this] { view().OnCommand(View::kSettingsCommand); },
         [this](QDialog& sheet) { SettingsPages(sheet, 0); });
  });
}

void CTour::SettingsPages(QDialog& sheet, int page) {
  // The sheet's five pages in tab order, saved after the traffic screen.
  constexpr int kPages = 5;
  auto* tabs = sheet.findChild<QTabWidget*>();
  if (!tabs) return Fail(QStringLiteral("the settings sheet has no pages"));
  if (page == kPages) return LocationSearch(sheet);
  tabs->setCurrentIndex(page);
  After(kSettleMs, [this, s = QPointer<QDialog>(&sheet), page] {
    if (!s) return Fail(QStringLiteral("the settings sheet closed by itself"));
    Save(kTrafficFiles[1 + page], s);
    SettingsPages(*s, page + 1);
  });
}

void CTour::LocationSearch(QDialog& sheet) {
  sheet.findChild<QTabWidget*>()->setCurrentIndex(2);  // 빠른길/가까운길
  auto* edit = sheet.findChild<QLineEdit*>(QStringLiteral("originEdit0"));
  auto* search = sheet.findChild<QAbstractButton*>(QStringLiteral("originSearch0"));
  if (!edit || !search) {
    Log(QStringLiteral("location-search skipped (no route search on this page)"));
    return Cancel(sheet, [this] { Details(); });
  }
  QString place = edit->text();
  const auto& routes = app_.trafficManager.routes.Displayed();
  if (place.isEmpty() && !routes.empty()) place = routes.front()->originName;
  Type(*edit, SearchWord(place));
  Visit("location-search", [search = QPointer<QAbstractButton>(search)] { if (search) search->click(); },
        [this, s = QPointer<QDialog>(&sheet)] {
          if (!s) return Fail(QStringLiteral("the settings sheet closed by itself"));
          Cancel(*s, [this] { Details(); });
        });
}

void CTour::Details() {
  Visit("road-detail", Click(View::kRoadButton),
        [this] { Visit("route-detail", Click(View::kRouteButton), [this] { Video(); }); });
}

void CTour::Video() {
  // The CCTV button: the viewer plays the first camera of its list.
  Open("cctv-video", Click(View::kCctvButton),
       [this](QDialog& viewer) {
         After(kVideoMs, [this, v = QPointer<QDialog>(&viewer)] {
           if (!v) return Fail(QStringLiteral("the viewer closed by itself"));
           Save("cctv-video", v);
           Cancel(*v, [this] {
             // The command "CCTV 실시간 동영상": OK in the viewer opens the camera's own screen.
             Open("cctv-viewer", [this] { view().OnCommand(View::kCctvVideoCommand); }, [this](QDialog& viewer) {
               AwaitDialog("cctv-screen", [this](QDialog& screen) {
                 After(kVideoMs, [this, s = QPointer<QDialog>(&screen)] {
                   if (!s) return Fail(QStringLiteral("the camera screen closed by itself"));
                   Save("cctv-screen", s);
                   Cancel(*s, [this] { Membership(); });
                 });
               });
               viewer.accept();
             });
           });
         });
       });
}

void CTour::Membership() {
  Visit("member-info", [this] { view().OnCommand(View::kChangeMembershipCommand); },
        [this] { Visit("about", [this] { view().OnCommand(View::kAboutCommand); }, [this] { Finish(); }); });
}
