#include "detail_dlg.h"

#include <QComboBox>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "cctv_video_dlg.h"
#include "kavrel/clock.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "viewer_texts.h"

namespace {
const QColor kPlaceFill(0, 90, 180);
const QColor kPlaceText(255, 204, 51);
constexpr std::uint32_t kLeaveWaitMs = 100;
}  // namespace

DetailRowButton::DetailRowButton(const DetailRow& row, bool routeMode, QWidget* parent)
    : QAbstractButton(parent), row_(row), routeMode_(routeMode) {
  setFixedHeight(kHeight);
  setEnabled(row.isNode && row.hasCctv);
}

void DetailRowButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, row_.isNode ? kPlaceFill : QColor(Qt::white));
  p.setPen(row_.isNode ? kPlaceText : QColor(Qt::black));
  p.drawText(r, Qt::AlignCenter, text());
  if (!row_.isNode) {
    p.setPen(QColor(200, 200, 200));
    p.drawLine(r.bottomLeft(), r.bottomRight());
  }
}

DetailDlg::DetailDlg(CKavrelClientPDAApp& app, QWidget* parent, const char* caption, bool routeMode)
    : QDialog(parent), app_(app), routeMode_(routeMode) {
  setWindowTitle(QString::fromUtf8(caption));
  setFixedSize(viewer::kDialogWidth, viewer::kDialogHeight);
  combo_ = new QComboBox(this);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setGeometry(4, 4, 232, 26);
  scroll_ = new QScrollArea(this);
  scroll_->setGeometry(4, 34, 232, 230);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rowsPanel_ = new QWidget;
  rowsLayout_ = new QVBoxLayout(rowsPanel_);
  rowsLayout_->setContentsMargins(0, 0, 0, 0);
  rowsLayout_->setSpacing(0);
  rowsLayout_->addStretch(1);
  scroll_->setWidget(rowsPanel_);
  connect(combo_, &QComboBox::activated, this, [this](int index) { OnItemChosen(index); });
  openViewer = [this](std::uint32_t cameraId) {
    CctvVideoDlg viewer(app_, this, true, cameraId);
    viewer.exec();
  };
}

DetailDlg::~DetailDlg() {
  kavrel::ui::HideInputPanel();
  kavrel::Sleep(kLeaveWaitMs);
  ClearRows();
}

void DetailDlg::Init(const QStringList& names, const QString& shownName) {
  QStringList sorted = names;
  std::sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  combo_->addItems(sorted);
  combo_->setCurrentIndex(combo_->findText(shownName, Qt::MatchExactly));
  Show(shownName);
}

void DetailDlg::OnItemChosen(int index) {
  combo_->setCurrentIndex(index);
  Show(combo_->itemText(index));
  if (!routeMode_) update();
}

void DetailDlg::ClearRows() {
  for (DetailRowButton* b : buttons_) delete b;
  buttons_.clear();
}

void DetailDlg::Show(const QString& name) {
  ClearRows();
  for (const DetailRow& row : RowsOf(name)) {
    auto* button = new DetailRowButton(row, routeMode_, rowsPanel_);
    rowsLayout_->insertWidget(static_cast<int>(buttons_.size()), button);
    if (row.isNode && row.hasCctv)
      connect(button, &QAbstractButton::clicked, this, [this, row] { OnRowClicked(row); });
    buttons_.push_back(button);
  }
}

void DetailDlg::OnRowClicked(const DetailRow& row) {
  if (row.cameraId < 0 || !app_.trafficManager.cameras.categoryEnabled.load()) return;
  // The viewer runs with dialogOpen set; afterwards it is as before (this dialog
  // still runs).
  const bool wasOpen = app_.flags.dialogOpen.exchange(true);
  openViewer(static_cast<std::uint32_t>(row.cameraId));
  app_.flags.dialogOpen.store(wasOpen);
}
