#include "about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "view_dialogs.h"

#ifndef KAVREL_VERSION
#define KAVREL_VERSION "1.0"
#endif

QString AboutDialog::Text() {
  return QStringLiteral("교통정보센터 티커\n버전 %1\n\n"
                        "선택한 도로·다리·터널의 소통 속도, 빠른길과 가까운길의 소요 시간, "
                        "CCTV 화면과 교통 속보를 실시간으로 보여 줍니다.")
      .arg(QStringLiteral(KAVREL_VERSION));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("프로그램 정보"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(Text(), this);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignCenter);
  label->setFixedWidth(200);  // fits the 240-pixel screen; the height follows the text
  layout->addWidget(label);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ViewDialogs::About(QWidget* owner) {
  AboutDialog box(owner);
  box.exec();
}
