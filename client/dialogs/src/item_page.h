// What the item pages (routes, road/bridge/tunnel, CCTV) share: the ten-row list with
// its in-place controls, the refresh-period block, the check rule (a row becomes
// checked only when it is valid), and the apply that stores all ten rows or, at the
// first invalid checked row, nothing (the route page reports its invalid rows and
// stores them all the same).
//
// Each row is stored as a row entry: "true," or "false," followed by the page's fields.
#pragma once

#include <QString>
#include <QStringList>

#include "setting_list_ctrl.h"
#include "setting_page.h"

class CKavrelClientPDAApp;
class RefreshPeriodBlock;

class ItemPage : public SettingPage {
 public:
  ItemPage(CKavrelClientPDAApp& app, QString caption, const SettingListCtrl::Columns& columns, int validCode,
           QWidget* parent = nullptr);

  bool OnApply() override;

  SettingListCtrl& list() const { return *list_; }
  RefreshPeriodBlock& refreshBlock() const { return *refresh_; }
  int checkedCount() const { return checkedCount_; }
  int rowError() const { return rowError_; }
  const QString& minutesText() const;
  // An apply of this page stored its rows during this sheet.
  bool committed() const { return committed_; }

 protected:
  void OnInitDialog() override;

  // Page specifics.
  virtual void CreateRowControls(int row) = 0;
  virtual void FillBeforeLoad() {}
  virtual QStringList StoredEntries() const = 0;
  // The fields of a stored entry after the check field.
  virtual void LoadRow(int row, QString rest) = 0;
  virtual int StoredSeconds() const = 0;
  virtual int ListMinutes() const = 0;
  // The fields after the check field, each with its comma where the page has one.
  virtual QString EntryFields(int row) const = 0;
  virtual int Validate(int row) const = 0;
  virtual QString CheckMessage(int code) const = 0;
  virtual QString ApplyMessage(int code) const = 0;
  virtual void SetChangedFlag() = 0;
  // Apply reports an invalid checked row and goes on, keeping every row, instead of
  // refusing at the first one.
  virtual bool KeepsInvalidRows() const { return false; }
  // All ten rows are valid: hand them to the client and the store.
  virtual void Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) = 0;

  // Another checked row (rows 0..9 in order, `row` skipped) whose text in `column`
  // is exactly `text`.
  bool CheckedDuplicate(int row, const QString& text, const std::function<QString(int)>& textOf) const;
  // Another checked row (rows 0..9 in order, `row` skipped) for which `same` holds.
  bool CheckedDuplicate(int row, const std::function<bool(int other)>& same) const;
  // Information box with the client's caption.
  void Inform(const QString& text);

  CKavrelClientPDAApp& app_;
  SettingListCtrl* list_;
  RefreshPeriodBlock* refresh_;
  int checkedCount_ = 0;
  int rowError_;
  const int validCode_;

 private:
  void OnCheckChanged(int row, bool checked);
  bool committed_ = false;
};
