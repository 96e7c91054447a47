// The provider's options dialog (resource 101): a caption, the provider's icon, its
// version line and OK / Cancel.
#pragma once

#include "kavrel/com/repl.h"

class QDialog;

namespace kavrelasp {

inline constexpr const char* kOptionsCaption = "KavrelASP Settings Dialog";
inline constexpr const char* kOptionsVersionLine = "KavrelASP Synchronization Version 1.0";
inline constexpr const char* kOptionsTodoLine = "TODO: Add your controls here.";

// The dialog, built but not shown (the caller owns it).
QDialog* CreateOptionsDialog();
// Shows it modally; true when left with OK. Unattended runs (KAVREL_UNATTENDED=1) log
// the dialog on standard error and answer OK. Without an application object one is
// made for the dialog's life.
bool ShowOptionsDialog(kavrel::com::HWND parent);

}  // namespace kavrelasp
