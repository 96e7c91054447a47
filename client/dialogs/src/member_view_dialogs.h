// The membership dialogs as the main view opens them: the join button, the menu entry
// "가입 정보 변경" and the ID search. A dialogs object of the program derives from it.
#pragma once

#include "member_requests.h"
#include "view_dialogs.h"

class CKavrelClientPDAApp;

class MemberViewDialogs : public ViewDialogs {
 public:
  explicit MemberViewDialogs(CKavrelClientPDAApp& app) : app_(app) {}

  bool GetMemberInformation() override;
  void ChangeMembership(QWidget* owner) override;
  void Join(QWidget* owner) override;
  bool FindId(QWidget* owner, QString& foundId) override;

 private:
  CKavrelClientPDAApp& app_;
  client::MemberInfo fetched_;  // the record of the last GetMemberInformation
};
