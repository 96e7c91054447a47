// The refresh-period block of a settings page: the user's extra seconds in a combo
// ("00" "15" "30" "45" "60" "90", or typed) and the list's minimum period in minutes,
// which only the server sets.
#pragma once

#include <QGroupBox>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;

class RefreshPeriodBlock : public QGroupBox {
 public:
  explicit RefreshPeriodBlock(QWidget* parent = nullptr);

  // Selects the item with the seconds' text ("0" shows as "00"); a value with no item
  // leaves the field empty. The minutes show as they are.
  void Show(int seconds, int minutes);
  // The seconds field's text as a number (typed text counts; no number reads 0).
  int Seconds() const;
  int Minutes() const;
  const QString& minutesText() const { return minutesText_; }
  QComboBox* secondsCombo() const { return seconds_; }

  // The user chose a seconds item.
  std::function<void()> onChanged;

 private:
  QComboBox* seconds_;
  QLabel* minutes_;
  QString minutesText_;
};
