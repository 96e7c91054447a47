#include "member_view_dialogs.h"

#include "find_id_dlg.h"
#include "join_dlg.h"
#include "kavrel_client_pda_app.h"

bool MemberViewDialogs::GetMemberInformation() {
  return app_.trafficManager.GetMemberInformation(app_.loginId, fetched_);
}

void MemberViewDialogs::ChangeMembership(QWidget* owner) {
  MemberInfoDlg dlg(app_.trafficManager, owner);
  dlg.userId = app_.loginId;
  dlg.name = fetched_.name;
  dlg.rrnFront = fetched_.registrationNumber.left(6);
  dlg.rrnBack = fetched_.registrationNumber.right(7);
  dlg.email = fetched_.email;
  dlg.userType = client::UserTypeIndex(fetched_.userType);
  dlg.ShowMembers();
  dlg.exec();
}

void MemberViewDialogs::Join(QWidget* owner) {
  JoinDlg dlg(app_.trafficManager, false, owner);
  dlg.ShowMembers();
  dlg.exec();
}

bool MemberViewDialogs::FindId(QWidget* owner, QString& foundId) {
  FindIdDlg dlg(app_.trafficManager, owner);
  const bool ok = dlg.exec() == QDialog::Accepted;
  foundId = dlg.foundId;
  return ok;
}
