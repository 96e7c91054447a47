// The list of a settings page: exactly ten check-box rows, fixed columns, and the
// in-place controls of each row over its cells. The controls follow their cells when
// the list scrolls; the columns cannot be resized.
#pragma once

#include <QString>
#include <QTableWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class SettingListCtrl : public QTableWidget {
 public:
  static constexpr int kRows = 10;
  static constexpr int kRowHeight = 26;  // a stylus hits it

  // Header and pixel width of each column; column 0 is the check-box column.
  using Columns = std::vector<std::pair<QString, int>>;
  explicit SettingListCtrl(const Columns& columns, QWidget* parent = nullptr);

  bool IsChecked(int row) const;
  // Sets the check box without notification.
  void SetChecked(int row, bool checked);
  // Puts an in-place control over cell (row, column); the list owns it.
  void PlaceControl(int row, int column, QWidget* control);

  // Only a check box that goes from unchecked to checked or back is reported.
  std::function<void(int row, bool checked)> onCheckChanged;

 private:
  std::array<bool, kRows> checked_{};
};
