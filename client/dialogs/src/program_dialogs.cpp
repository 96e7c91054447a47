#include "program_dialogs.h"

#include "setting_dlg.h"

void ProgramDialogs::Settings(QWidget* owner) {
  // The sheet reloads and fetches the lists it changed as it goes.
  SettingDlg sheet(app_, owner);
  sheet.exec();
}
