// The combo box that sits in one cell of a settings row: a drop-down with an edit
// field whose text is always one of its items (or empty). Typed text never stays: the
// edit text goes straight back to the item last chosen.
#pragma once

#include <QComboBox>
#include <QString>

class RowComboBox;

// The page that handles a row combo's notifications.
class RowComboHandler {
 public:
  virtual ~RowComboHandler() = default;
  // The list is about to drop and has not been filled yet (road/bridge/tunnel page).
  virtual void OnRowComboDropDown(RowComboBox& /*combo*/) {}
  // The user chose an item; `selIndex` already holds it.
  virtual void OnRowComboChanged(RowComboBox& combo) = 0;
};

class RowComboBox : public QComboBox {
 public:
  // Which page handles the notifications.
  enum Owner { kShortcut = 2, kSeoulTraffic = 3, kCctv = 4 };
  // Road/bridge/tunnel page: the category combo and the point combo of a row; route
  // page: the kind combo.
  enum Role { kPointCombo = 0, kCategoryCombo = 1, kKindCombo = 1 };

  RowComboBox(int row, int owner, int role, RowComboHandler& handler, QWidget* parent = nullptr);

  // Selects item `index` (-1: none, empty text) as the program does: no notification.
  void SelectIndex(int index);
  // Selects the item whose text is exactly `text` (case and spaces count); none when no
  // item has it. Returns the index or -1.
  int SelectText(const QString& text);
  int FindExact(const QString& text) const;

  void showPopup() override;

  int row;
  int selIndex = -1;  // item last chosen; -1: none
  bool filled = false;  // item list loaded
  int owner;
  int listType = 0;  // point combo: 0 road, 1 bridge, 2 tunnel list
  int role;
  bool resetNeeded = false;  // point combo: clear every item before the next fill
  QString previousText;      // the text shown before the latest choice

 private:
  RowComboHandler& handler_;
};
