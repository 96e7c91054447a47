// The provider's options dialog, offscreen.
#include "options_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace kavrelasp {
namespace {

TEST(OptionsDialog, ShowsItsLinesAndButtonsAndAnswersByButton) {
  std::unique_ptr<QDialog> dialog(CreateOptionsDialog());
  EXPECT_EQ(dialog->windowTitle(), "KavrelASP Settings Dialog");
  EXPECT_FALSE(dialog->windowIcon().isNull());
  QStringList texts;
  for (auto* label : dialog->findChildren<QLabel*>())
    if (!label->text().isEmpty()) texts << label->text();
  EXPECT_EQ(texts, (QStringList{"KavrelASP Synchronization Version 1.0", "TODO: Add your controls here."}));
  int etched = 0;
  for (auto* frame : dialog->findChildren<QFrame*>())
    etched += frame->frameShape() == QFrame::HLine && frame->frameShadow() == QFrame::Sunken;
  EXPECT_EQ(etched, 2);
  auto* buttons = dialog->findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->buttons().size(), 2);
  if (const char* shot = std::getenv("KAVRELASP_DIALOG_SHOT")) dialog->grab().save(shot);

  // Shown modally: OK gives true, Cancel false.
  for (auto [button, expected] : {std::pair{QDialogButtonBox::Ok, true}, std::pair{QDialogButtonBox::Cancel, false}}) {
    QTimer::singleShot(0, [button] {
      auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (shown) shown->findChild<QDialogButtonBox*>()->button(button)->click();
    });
    EXPECT_EQ(ShowOptionsDialog(nullptr), expected);
  }

  // Unattended runs do not show it.
  ::setenv("KAVREL_UNATTENDED", "1", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(ShowOptionsDialog(nullptr));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "dialog: KavrelASP Settings Dialog\n");
  ::unsetenv("KAVREL_UNATTENDED");
}

}  // namespace
}  // namespace kavrelasp
