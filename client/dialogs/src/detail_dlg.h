// What the road and the route detail dialogs share: the combo of the selected items'
// names at the top and, below it, the item's rows as owner-drawn buttons 20 pixels
// high. A place with a camera opens the video viewer for that camera.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <vector>

#include "detail_rows.h"

class CKavrelClientPDAApp;
class QComboBox;
class QScrollArea;
class QVBoxLayout;

class DetailRowButton : public QAbstractButton {
 public:
  static constexpr int kHeight = 20;
  DetailRowButton(const DetailRow& row, bool routeMode, QWidget* parent);
  const DetailRow& row() const { return row_; }
  QString text() const { return RowText(row_, routeMode_); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DetailRow row_;
  bool routeMode_;
};

class DetailDlg : public QDialog {
 public:
  ~DetailDlg() override;
  DetailDlg(const DetailDlg&) = delete;
  DetailDlg& operator=(const DetailDlg&) = delete;

  QComboBox* itemList() const { return combo_; }
  const std::vector<DetailRowButton*>& rowButtons() const { return buttons_; }
  // Shows the first item of the displayed buffer with this name.
  void Show(const QString& name);

  // Opens the video viewer in preset mode for a camera (tests replace the modal run).
  std::function<void(std::uint32_t cameraId)> openViewer;

 protected:
  DetailDlg(CKavrelClientPDAApp& app, QWidget* parent, const char* caption, bool routeMode);
  // Fills the combo and shows the item the traffic screen shows.
  void Init(const QStringList& names, const QString& shownName);
  virtual std::vector<DetailRow> RowsOf(const QString& name) const = 0;
  CKavrelClientPDAApp& app_;

 private:
  void OnItemChosen(int index);
  void OnRowClicked(const DetailRow& row);
  void ClearRows();

  bool routeMode_;
  QComboBox* combo_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* rowsPanel_ = nullptr;
  QVBoxLayout* rowsLayout_ = nullptr;
  std::vector<DetailRowButton*> buttons_;
};
