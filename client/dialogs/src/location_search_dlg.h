// Turns part of a place name into one place with its point id: the server's matches
// fill a combo (shown sorted), the user picks one (or types a name), and the dialog
// returns the name and the id of the first match, in the server's order, with exactly
// that name (-1 when none has it).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class CTrafficManager;
class QComboBox;

class LocationSearchDlg : public QDialog {
 public:
  static constexpr const char* kPrompt = "**다음 리스트에서 원하는\r\n    지점을 선택하십시요.";
  static constexpr const char* kNoResult = "찾고자 하는 지점에 해당되는 리스트가 없습니다.\n\r다시 입력해 주십시요";

  explicit LocationSearchDlg(CTrafficManager& traffic, QWidget* parent = nullptr);

  // Searches for `searchText` and, when something matched, runs modally. Without a
  // match (or when the search could not be made) it returns Rejected without showing.
  // `chosenName` and `chosenId` hold the result whatever it returns.
  int RunModal();

  void accept() override;

  QComboBox& combo() const { return *combo_; }

  QString searchText;
  QString chosenName;
  int chosenId = -1;
  QStringList names;               // server order
  std::vector<std::uint32_t> ids;  // parallel to names

 private:
  // Search and fill; false when there is nothing to choose from.
  bool Initialise();

  CTrafficManager& traffic_;
  QComboBox* combo_;
};
