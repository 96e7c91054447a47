// The settings sheet "설정": five pages in tab order (기본 설정, 속보창,
// 빠른길/가까운길, 대로/다리/터널, CCTV 영상) with OK, Cancel and Apply. OK applies
// every page that was shown, in tab order; a page whose apply fails keeps the sheet
// open on it (pages applied before it stay applied). When the sheet goes, the lists
// its pages rebuilt are uploaded again (reload) and fetched.
#pragma once

#include <QDialog>

#include <vector>

class CCTVTab;
class CKavrelClientPDAApp;
class GeneralTab;
class NewsflashTab;
class QPushButton;
class QTabWidget;
class SeoulTrafficTab;
class SettingPage;
class ShortcutTab;

class SettingDlg : public QDialog {
 public:
  enum PageIndex { kGeneral = 0, kNewsflash = 1, kShortcut = 2, kSeoulTraffic = 3, kCctv = 4 };

  explicit SettingDlg(CKavrelClientPDAApp& app, QWidget* parent = nullptr);
  ~SettingDlg() override;

  // Shows page `index` (initialising it the first time).
  void ShowPage(int index);
  // Applies every initialised page in order; false (the failing page shown) when one
  // refuses.
  bool ApplyPages();
  void OnOK();
  void OnApplyNow();

  QTabWidget& tabs() const { return *tabs_; }
  SettingPage& page(int index) const { return *pages_[static_cast<std::size_t>(index)]; }
  GeneralTab& generalTab() const { return *general_; }
  NewsflashTab& newsflashTab() const { return *newsflash_; }
  ShortcutTab& shortcutTab() const { return *shortcut_; }
  SeoulTrafficTab& seoulTrafficTab() const { return *seoul_; }
  CCTVTab& cctvTab() const { return *cctv_; }
  QPushButton& okButton() const { return *ok_; }
  QPushButton& cancelButton() const { return *cancel_; }
  QPushButton& applyButton() const { return *apply_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RefreshChangedLists();

  CKavrelClientPDAApp& app_;
  QTabWidget* tabs_;
  std::vector<SettingPage*> pages_;
  GeneralTab* general_;
  NewsflashTab* newsflash_;
  ShortcutTab* shortcut_;
  SeoulTrafficTab* seoul_;
  CCTVTab* cctv_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* apply_;
};
