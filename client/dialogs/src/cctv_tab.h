// The CCTV page: each row's combo holds the whole camera catalogue. A row is valid
// when it names a camera that no other checked row names.
#pragma once

#include <array>

#include "item_page.h"
#include "row_combo_box.h"

class CCTVTab : public ItemPage, public RowComboHandler {
 public:
  enum Code { kValid = 0, kNothing = 1, kDuplicate = 2 };
  static constexpr int kDrop = 150;

  explicit CCTVTab(CKavrelClientPDAApp& app, QWidget* parent = nullptr);

  RowComboBox& cameraCombo(int row) const { return *camera_[static_cast<std::size_t>(row)]; }

  // RowComboHandler
  void OnRowComboChanged(RowComboBox& combo) override;

 protected:
  void CreateRowControls(int row) override;
  void FillBeforeLoad() override;
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
  std::array<RowComboBox*, SettingListCtrl::kRows> camera_{};
};
