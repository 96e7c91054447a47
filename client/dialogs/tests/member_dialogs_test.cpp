// The membership dialogs: their checks in order, change mode, and find ID, against
// scripted peers.
#include <QLineEdit>
#include <QRadioButton>

#include <cstdlib>

#include "ZMNTP.h"
#include "find_id_dlg.h"
#include "join_dlg.h"
#include "member_dialog_texts.h"
#include "messages.h"
#include "protocol/records.h"
#include "scripted_peer.h"
#include "session_fixture.h"

namespace {

using kavrel::ui::MessageIcon;
using zmntp::testing::Bytes;
using zmntp::testing::Conversation;
using zmntp::testing::Framed;
using zmntp::testing::Le32;
using zmntp::testing::ScriptedPeer;
namespace msg = client::messages;

using zmntp::testing::Answer;
using client::testing::LogoutAnswer;

class MemberDialogs : public client::testing::ClientRun {
 protected:
  void StartOn(const std::string& server) {
    store.WriteProfileString(CSettingsStore::kSettings, "tsip", QString::fromStdString(server));
    store.WriteProfileInt(CSettingsStore::kSettings, "ticker_start", 0);
    Start();
    boxes.Clear();
  }
  void ExpectLastBox(const char* text) {
    auto shown = boxes.shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, QString::fromUtf8(text));
    EXPECT_EQ(shown.back().caption, QString::fromUtf8(msg::kCaption));
    EXPECT_EQ(shown.back().icon, MessageIcon::Information);
  }
  // With KAVREL_SCREENSHOT_DIR set, the dialog is grabbed there at 240 x 320.
  static void Grab(QWidget& dialog, const char* name) {
    const char* dir = std::getenv("KAVREL_SCREENSHOT_DIR");
    dialog.resize(240, 320);
    EXPECT_LE(dialog.minimumSizeHint().width(), 240);
    EXPECT_LE(dialog.minimumSizeHint().height(), 320);
    if (dir) dialog.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
  }
  std::string address = zmntp::testing::TestAddress();
};

TEST_F(MemberDialogs, JoinChecksInOrderBeforeAnythingIsSent) {
  ScriptedPeer peer(address, {LogoutAnswer()});
  StartOn(address);
  JoinDlg dlg(traffic(), false);
  Grab(dlg, "join");
  EXPECT_EQ(dlg.nameEdit->maxLength(), 20);
  EXPECT_EQ(dlg.idEdit->maxLength(), 20);
  EXPECT_EQ(dlg.frontEdit->maxLength(), 6);
  EXPECT_EQ(dlg.backEdit->maxLength(), 7);
  EXPECT_EQ(dlg.emailEdit->maxLength(), 50);
  struct Case {
    const char* front;
    const char* back;
    const char* email;
    int type;
    const char* message;
  } cases[] = {
      {"800101", "1234560", "a@b", -1, msg::kFillJoinForm},   // no type chosen
      {"800101", "", "a@b", 1, msg::kFillJoinForm},
      {"800101", "1234561", "ab", 1, msg::kEnterNumber},      // the number before the e-mail
      {"800101", "123456", "a@b", 1, msg::kEnterNumber},
      {"800101", "1234560", "ab", 1, msg::kEnterEmail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    dlg.name = "name";
    dlg.userId = "id";
    dlg.rrnFront = c.front;
    dlg.rrnBack = c.back;
    dlg.email = c.email;
    dlg.userType = c.type;
    dlg.ShowMembers();
    boxes.Clear();
    dlg.OnOk();
    ASSERT_EQ(boxes.shown().size(), 1u);
    ExpectLastBox(c.message);
    EXPECT_FALSE(dlg.succeeded);
  }
  Exit();
  peer.Finish();
  EXPECT_EQ(peer.Received().size(), 1u);  // the logout alone
}

TEST_F(MemberDialogs, JoinSendsTheWholeFormAndClosesOnSuccess) {
  ScriptedPeer peer(address, {Answer(124, Le32(16)), Answer(124, Le32(0)), LogoutAnswer()});
  StartOn(address);
  JoinDlg dlg(traffic(), false);
  dlg.name = QStringLiteral("홍길동");
  dlg.userId = "newbie";
  dlg.rrnFront = "800101";
  dlg.rrnBack = "1234560";
  dlg.email = "a@b.kr";
  dlg.userType = 2;
  dlg.ShowMembers();
  dlg.OnOk();
  ExpectLastBox(msg::kIdInUse);
  EXPECT_FALSE(dlg.succeeded);
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  dlg.OnOk();
  ExpectLastBox(msg::kJoined);
  EXPECT_TRUE(dlg.succeeded);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(store.LoginId(), "newbie");
  Exit();
  peer.Finish();
  auto expected = protocol::WriteUserRecord({"newbie", "\xC8\xAB\xB1\xE6\xB5\xBF", "8001011234560", "DRIVER", "a@b.kr"});
  ASSERT_GE(peer.Received().size(), 2u);
  const Bytes sent = peer.Received()[1];
  ASSERT_GE(sent.size(), 24u + 124u);
  for (std::size_t i = 0; i < 124; ++i) EXPECT_EQ(sent[24 + i], expected[i]) << "byte " << i;
}

TEST_F(MemberDialogs, ChangeModeShowsTheMemberAndReportsTheReversedResult) {
  ScriptedPeer peer(address, {Answer(124, Le32(0)), Answer(124, Le32(1)), LogoutAnswer()});
  StartOn(address);
  MemberInfoDlg dlg(traffic());
  dlg.userId = "member";
  dlg.name = QStringLiteral("김철수");
  dlg.rrnFront = "800101";
  dlg.rrnBack = "1234560";
  dlg.email = "kim";
  dlg.userType = client::UserTypeIndex("OFFICIAL");
  dlg.ShowMembers();
  Grab(dlg, "member_info");
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("가입 정보 변경"));
  EXPECT_EQ(dlg.nameEdit->text(), QStringLiteral("김철수"));
  EXPECT_EQ(dlg.backEdit->text(), "1234560");
  EXPECT_TRUE(dlg.typeRadios[0]->isChecked());
  for (QLineEdit* e : {dlg.nameEdit, dlg.idEdit, dlg.frontEdit, dlg.backEdit}) EXPECT_FALSE(e->isEnabled());
  EXPECT_TRUE(dlg.emailEdit->isEnabled());
  dlg.OnOk();  // no "@"
  ExpectLastBox(msg::kEnterEmail);
  dlg.emailEdit->setText("kim@mail.kr");
  dlg.OnOk();
  ExpectLastBox(msg::kMemberInfoChangeFailed);
  EXPECT_FALSE(dlg.succeeded);
  dlg.OnOk();
  ExpectLastBox(msg::kMemberInfoChanged);
  EXPECT_TRUE(dlg.succeeded);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  Exit();
}

TEST_F(MemberDialogs, FindIdKnownUnknownAndABadNumber) {
  const std::string found = "member";
  ScriptedPeer peer(address, {Answer(14, Bytes{}), Answer(14, Bytes(found.begin(), found.end() + 1)), LogoutAnswer()});
  StartOn(address);
  FindIdDlg dlg(traffic());
  Grab(dlg, "find_id");
  EXPECT_EQ(dlg.frontEdit->maxLength(), 6);
  EXPECT_EQ(dlg.backEdit->maxLength(), 7);
  dlg.frontEdit->setText("800101");
  dlg.backEdit->setText("1234561");
  dlg.OnFind();
  ExpectLastBox(msg::kFindEnterNumber);
  dlg.backEdit->setText("1234560");
  dlg.OnFind();  // unknown: empty reply
  ExpectLastBox(msg::kFindIdFailed);
  EXPECT_EQ(dlg.foundId, "");
  EXPECT_EQ(boxes.shown().size(), 2u);
  dlg.OnFind();
  EXPECT_EQ(dlg.foundId, "member");
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(boxes.shown().size(), 2u);
  Exit();
}

}  // namespace
