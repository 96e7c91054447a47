#include "setting_list_ctrl.h"

#include <QHeaderView>

SettingListCtrl::SettingListCtrl(const Columns& columns, QWidget* parent)
    : QTableWidget(kRows, static_cast<int>(columns.size()), parent) {
  setFrameShape(QFrame::Box);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setShowGrid(false);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  QHeaderView* header = horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setSectionsMovable(false);
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(1);
  for (int c = 0; c < columnCount(); ++c) {
    setHorizontalHeaderItem(c, new QTableWidgetItem(columns[static_cast<std::size_t>(c)].first));
    setColumnWidth(c, columns[static_cast<std::size_t>(c)].second);
  }
  for (int r = 0; r < kRows; ++r) {
    auto* item = new QTableWidgetItem(QString());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    setItem(r, 0, item);
  }
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (item->column() != 0 || item->row() < 0 || item->row() >= kRows) return;
    const bool now = item->checkState() == Qt::Checked;
    bool& was = checked_[static_cast<std::size_t>(item->row())];
    if (now == was) return;
    was = now;
    if (onCheckChanged) onCheckChanged(item->row(), now);
  });
}

bool SettingListCtrl::IsChecked(int row) const {
  return row >= 0 && row < kRows && checked_[static_cast<std::size_t>(row)];
}

void SettingListCtrl::SetChecked(int row, bool checked) {
  if (row < 0 || row >= kRows) return;
  const QSignalBlocker quiet(this);
  item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  checked_[static_cast<std::size_t>(row)] = checked;
  viewport()->update();
}

void SettingListCtrl::PlaceControl(int row, int column, QWidget* control) { setCellWidget(row, column, control); }
