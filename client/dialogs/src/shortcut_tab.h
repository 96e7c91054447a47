// The route page "빠른길/가까운길": in each row an origin and a destination, each an
// edit with a "검색" button beside it, and the kind, fastest "빠른길" or shortest
// "가까운길". A point gets its id only from a search; typing changes the name but not
// the id. A checked row is valid when both points have a name and an id and no other
// checked row has the same origin, destination and kind. Apply reports invalid rows
// but stores every row as it is.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include <array>

#include "item_page.h"
#include "row_combo_box.h"

// The edit of an origin or destination and the id of the point the last search found.
class PointEdit : public QLineEdit {
 public:
  explicit PointEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}
  int pointId = -1;  // -1: none
  // The stored id was no number (it loaded as atoi reads it); the row must be set again.
  bool idDamaged = false;
};

class SearchButton : public QPushButton {
 public:
  enum Role { kDestination = 0, kOrigin = 1 };
  SearchButton(int row, int role, QWidget* parent = nullptr);
  int role;
  int row;
};

class ShortcutTab : public ItemPage, public RowComboHandler {
 public:
  enum Code { kValid = 0, kIncomplete = 1, kDuplicate = 2 };
  static constexpr int kKindDrop = 250;
  static constexpr const char* kFastest = "빠른길";
  static constexpr const char* kShortest = "가까운길";

  explicit ShortcutTab(CKavrelClientPDAApp& app, QWidget* parent = nullptr);

  PointEdit& originEdit(int row) const { return *origin_[static_cast<std::size_t>(row)]; }
  PointEdit& destinationEdit(int row) const { return *destination_[static_cast<std::size_t>(row)]; }
  SearchButton& searchButton(int row, int role) const;
  RowComboBox& kindCombo(int row) const { return *kind_[static_cast<std::size_t>(row)]; }

  // The row's "검색" button: the point named in the edit is looked up and chosen.
  void Search(int row, int role);

  // RowComboHandler
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
  bool KeepsInvalidRows() const override { return true; }
  void Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) override;

 private:
  PointEdit& Edit(int row, int role) const { return role == SearchButton::kOrigin ? originEdit(row) : destinationEdit(row); }
  // One point cell: the edit over its left three quarters, the button over the right.
  QWidget* MakePointCell(int row, int role);
  bool IsDuplicate(int row) const;

  std::array<PointEdit*, SettingListCtrl::kRows> origin_{};
  std::array<PointEdit*, SettingListCtrl::kRows> destination_{};
  std::array<SearchButton*, SettingListCtrl::kRows> originSearch_{};
  std::array<SearchButton*, SettingListCtrl::kRows> destinationSearch_{};
  std::array<RowComboBox*, SettingListCtrl::kRows> kind_{};
};
