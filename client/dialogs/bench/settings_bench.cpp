// Opening and closing the settings sheet as the menu entry does: the sheet with its
// five pages is built from the profile, shown modally and painted, then cancelled and
// taken down (the sheet waits 50 ms for the input panel before it goes). Beside it,
// the about box the same way, the smallest dialog of the client.
//   build/bin/client_settings_bench
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "about_dialog.h"
#include "kavrel_client_pda_app.h"
#include "program_dialogs.h"
#include "setting_dlg.h"

namespace {

// Paints the modal dialog of type `Dialog` once it is up, then cancels it.
template <typename Dialog>
void CancelWhenShown() {
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = dynamic_cast<Dialog*>(w); dialog && dialog->isVisible()) {
        dialog->repaint();
        dialog->reject();
        return;
      }
    }
  });
}

// An application with the network library up (the pages read the road file for their
// lists) and a fresh profile.
struct Program {
  Program() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    app.network.ZMNTP_Init();
  }
  ~Program() { app.network.ZMNTP_Destroy(); }
  QTemporaryDir dir;
  CKavrelClientPDAApp app;
};

void BM_SettingsSheetOpenClose(benchmark::State& state) {
  Program program;
  ProgramDialogs dialogs(program.app);
  for (auto _ : state) {
    CancelWhenShown<SettingDlg>();
    program.app.flags.dialogOpen.store(true);
    dialogs.Settings(nullptr);
  }
}
BENCHMARK(BM_SettingsSheetOpenClose)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_AboutBoxOpenClose(benchmark::State& state) {
  for (auto _ : state) {
    CancelWhenShown<AboutDialog>();
    AboutDialog about;
    about.exec();
  }
}
BENCHMARK(BM_AboutBoxOpenClose)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
