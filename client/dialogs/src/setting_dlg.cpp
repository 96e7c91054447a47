#include "setting_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cctv_tab.h"
#include "general_tab.h"
#include "kavrel/clock.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "newsflash_tab.h"
#include "seoul_traffic_tab.h"
#include "shortcut_tab.h"

namespace {

constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr std::uint32_t kCloseWaitMs = 50;

}  // namespace

SettingDlg::SettingDlg(CKavrelClientPDAApp& app, QWidget* parent)
    : QDialog(parent),
      app_(app),
      tabs_(new QTabWidget(this)),
      general_(new GeneralTab(app)),
      newsflash_(new NewsflashTab(app)),
      shortcut_(new ShortcutTab(app)),
      seoul_(new SeoulTrafficTab(app)),
      cctv_(new CCTVTab(app)),
      ok_(new QPushButton(QStringLiteral("확인"), this)),
      cancel_(new QPushButton(QStringLiteral("취소"), this)),
      apply_(new QPushButton(QStringLiteral("적용"), this)) {
  setWindowTitle(QStringLiteral("설정"));
  setModal(true);
  // The whole handheld screen.
  setFixedSize(kScreenWidth, kScreenHeight);
  move(0, 0);
  app_.selectionChanged = {};

  pages_ = {general_, newsflash_, shortcut_, seoul_, cctv_};
  tabs_->setUsesScrollButtons(true);
  tabs_->setElideMode(Qt::ElideNone);
  tabs_->setDocumentMode(true);
  for (SettingPage* page : pages_) {
    tabs_->addTab(page, page->caption());
    page->onModified = [this] { apply_->setEnabled(true); };
  }
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index >= 0 && isVisible()) page(index).Initialise();
  });

  apply_->setEnabled(false);
  ok_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  for (QPushButton* b : {ok_, cancel_, apply_}) {
    b->setMinimumHeight(26);
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 4);
  layout->setSpacing(4);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &SettingDlg::OnOK);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(apply_, &QPushButton::clicked, this, &SettingDlg::OnApplyNow);
}

SettingDlg::~SettingDlg() {
  RefreshChangedLists();
  kavrel::ui::HideInputPanel();
  kavrel::Sleep(kCloseWaitMs);
  app_.flags.dialogOpen.store(false);
}

void SettingDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  page(tabs_->currentIndex()).Initialise();
}

void SettingDlg::ShowPage(int index) {
  tabs_->setCurrentIndex(index);
  page(index).Initialise();
}

bool SettingDlg::ApplyPages() {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    SettingPage* p = pages_[i];
    if (!p->initialised()) continue;
    if (!p->OnApply()) {
      tabs_->setCurrentIndex(static_cast<int>(i));
      return false;
    }
  }
  return true;
}

void SettingDlg::OnOK() {
  if (ApplyPages()) accept();
}

void SettingDlg::OnApplyNow() {
  if (ApplyPages()) apply_->setEnabled(false);
}

void SettingDlg::RefreshChangedLists() {
  const CKavrelClientPDAApp::SelectionChanged changed = app_.selectionChanged;
  if (!changed.roads && !changed.routes && !changed.cameras) return;
  CTrafficManager& tm = app_.trafficManager;
  // A list whose page set its flag but never stored its rows (its apply failed, then
  // Cancel) still has the last refresh's or no items in the undisplayed buffer: it is
  // refreshed with the items on screen rather than emptied.
  if (changed.roads && !seoul_->committed()) tm.RebuildUndisplayed(CTrafficManager::kRoads);
  if (changed.cameras && !cctv_->committed()) tm.RebuildUndisplayed(CTrafficManager::kCameras);
  if (changed.routes && !shortcut_->committed()) tm.RebuildUndisplayed(CTrafficManager::kRoutes);
  auto buffer = [](const auto& category, bool rebuilt) {
    const int shown = category.displayBuffer.load();
    return rebuilt ? 1 - shown : shown;
  };
  tm.UploadSelection(buffer(tm.roads, changed.roads), buffer(tm.cameras, changed.cameras),
                     buffer(tm.routes, changed.routes), CTrafficManager::Upload::Reload);
  if (changed.roads) tm.FetchCategory(CTrafficManager::kRoads, false);
  if (changed.cameras) tm.FetchCategory(CTrafficManager::kCameras, false);
  if (changed.routes) tm.FetchCategory(CTrafficManager::kRoutes, false);
  app_.selectionChanged = {};
}
