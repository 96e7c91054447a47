#include "row_combo_box.h"

#include <QLineEdit>

RowComboBox::RowComboBox(int row_, int owner_, int role_, RowComboHandler& handler, QWidget* parent)
    : QComboBox(parent), row(row_), owner(owner_), role(role_), handler_(handler) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setFocusPolicy(Qt::StrongFocus);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(1);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
    setEditText(selIndex >= 0 && selIndex < count() ? itemText(selIndex) : QString());
  });
  connect(this, &QComboBox::activated, this, [this](int index) {
    previousText = selIndex >= 0 && selIndex < count() ? itemText(selIndex) : QString();
    selIndex = index;
    handler_.OnRowComboChanged(*this);
  });
}

void RowComboBox::SelectIndex(int index) {
  if (index < 0 || index >= count()) index = -1;
  setCurrentIndex(index);
  if (index < 0) setEditText(QString());
  selIndex = index;
}

int RowComboBox::FindExact(const QString& text) const {
  for (int i = 0; i < count(); ++i)
    if (itemText(i) == text) return i;
  return -1;
}

int RowComboBox::SelectText(const QString& text) {
  const int index = FindExact(text);
  SelectIndex(index);
  return index;
}

void RowComboBox::showPopup() {
  if (owner == kSeoulTraffic && !filled) handler_.OnRowComboDropDown(*this);
  QComboBox::showPopup();
}
