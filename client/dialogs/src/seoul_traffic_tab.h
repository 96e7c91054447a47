// The road/bridge/tunnel page: in each row a category combo ("대 로", "다 리",
// "터 널") and a point combo whose list is fetched when it first drops. A row is
// valid when its point came from the list of the category now chosen and no other
// checked row names the same point.
#pragma once

#include <array>

#include "item_page.h"
#include "row_combo_box.h"

class SeoulTrafficTab : public ItemPage, public RowComboHandler {
 public:
  // Row codes.
  enum Code { kNotRoad = 0, kNotBridge = 1, kNotTunnel = 2, kValid = 3, kNoPoint = 4, kDuplicate = 5 };
  static constexpr int kCategoryDrop = 100;  // extra height of the dropped lists
  static constexpr int kPointDrop = 150;

  explicit SeoulTrafficTab(CKavrelClientPDAApp& app, QWidget* parent = nullptr);

  RowComboBox& categoryCombo(int row) const { return *category_[static_cast<std::size_t>(row)]; }
  RowComboBox& pointCombo(int row) const { return *point_[static_cast<std::size_t>(row)]; }
  const QString& savedText() const { return savedText_; }

  // RowComboHandler
  void OnRowComboDropDown(RowComboBox& combo) override;
  void OnRowComboChanged(RowComboBox& combo) override;

 protected:
  void CreateRowControls(int row) override;
  QStringList StoredEntries() const override;
  void LoadRow(int row, QString rest) override;
  int StoredSeconds() const override;
  int ListMinutes() const override;
  QString EntryFields(int row) const override;
  int Validate(int row) const override;
  QString CheckMessage(int code) const override;
  QString ApplyMessage(int code) const override;
  void SetChangedFlag() override;
  void Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) override;

 private:
  std::array<RowComboBox*, SettingListCtrl::kRows> category_{};
  std::array<RowComboBox*, SettingListCtrl::kRows> point_{};
  QString savedText_;
};
