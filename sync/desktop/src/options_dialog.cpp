#include "options_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kavrelasp {
namespace {

// The provider's icon at one of its two sizes (32 x 32 and 16 x 16).
QPixmap ProviderIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x1f, 0x5f, 0xa8));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(size * 3 / 4);
  p.setFont(font);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("K"));
  return pixmap;
}

QFrame* EtchedLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

bool Unattended() {
  const char* v = std::getenv("KAVREL_UNATTENDED");
  return v && std::strcmp(v, "1") == 0;
}

}  // namespace

QDialog* CreateOptionsDialog() {
  auto* dialog = new QDialog;
  dialog->setWindowTitle(QString::fromUtf8(kOptionsCaption));
  QIcon icon;
  icon.addPixmap(ProviderIcon(32));
  icon.addPixmap(ProviderIcon(16));
  dialog->setWindowIcon(icon);
  // 233 x 246 dialog units of 8-point MS Sans Serif.
  dialog->setFixedSize(350, 400);

  auto* layout = new QVBoxLayout(dialog);
  auto* head = new QHBoxLayout;
  auto* iconLabel = new QLabel(dialog);
  iconLabel->setPixmap(ProviderIcon(32));
  head->addWidget(iconLabel);
  head->addWidget(new QLabel(QString::fromUtf8(kOptionsVersionLine), dialog), 1);
  layout->addLayout(head);
  layout->addWidget(EtchedLine(dialog));
  auto* todo = new QLabel(QString::fromUtf8(kOptionsTodoLine), dialog);
  todo->setAlignment(Qt::AlignCenter);
  layout->addWidget(todo, 1);
  layout->addWidget(EtchedLine(dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return dialog;
}

bool ShowOptionsDialog(kavrel::com::HWND) {
  if (Unattended()) {
    std::fprintf(stderr, "dialog: %s\n", kOptionsCaption);
    return true;
  }
  std::unique_ptr<QApplication> app;
  static int argc = 1;
  static char name[] = "KAVRELASP";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
  std::unique_ptr<QDialog> dialog(CreateOptionsDialog());
  return dialog->exec() == QDialog::Accepted;
}

}  // namespace kavrelasp
