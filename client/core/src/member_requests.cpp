#include "member_requests.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>

#include "ZMNTP.h"
#include "ansi_text.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/cursor.h"
#include "kavrel/little_endian.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "messages.h"
#include "protocol/records.h"
#include "traffic_manager.h"

namespace msg = client::messages;

namespace {

constexpr std::uint32_t kFailWaitMs = 1000;

void Inform(const QString& text) {
  kavrel::ui::ShowMessageBox(nullptr, text, QString::fromUtf8(msg::kCaption), kavrel::ui::MessageIcon::Information);
}
void Inform(const char* text) { Inform(QString::fromUtf8(text)); }

// The code page 949 form of a field's text, or nullopt after telling the user which
// field cannot be sent (a character without a CP949 form, or too long for the field
// with its NUL).
std::optional<std::string> FieldText(const QString& text, std::size_t fieldSize, const char* label) {
  std::optional<std::string> ansi = client::ToAnsi(text);
  if (!ansi) {
    Inform(QString::fromUtf8(msg::kFieldNotKorean).arg(QString::fromUtf8(label)));
    return std::nullopt;
  }
  if (ansi->size() + 1 > fieldSize) {
    Inform(QString::fromUtf8(msg::kFieldTooLong).arg(QString::fromUtf8(label)));
    return std::nullopt;
  }
  return ansi;
}

// A reply shorter than its record is read as far as it goes (the rest as zero).
template <std::size_t N>
std::array<std::uint8_t, N> Padded(const std::vector<std::uint8_t>& reply) {
  std::array<std::uint8_t, N> out{};
  std::copy_n(reply.begin(), std::min(reply.size(), N), out.begin());
  return out;
}

}  // namespace

namespace client {

bool IsValidRegistrationNumber(const QString& front, const QString& back) {
  if (front.size() != 6 || back.size() != 7) return false;
  const QString d = front + back;
  static constexpr int kWeights[12] = {2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5};
  auto value = [](QChar c) { return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : 0; };
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += value(d[i]) * kWeights[i];
  return value(d[12]) == (11 - sum % 11) % 10;
}

QString UserTypeText(int type) {
  switch (type) {
    case 0: return QStringLiteral("OFFICIAL");
    case 1: return QStringLiteral("USER");
    case 2: return QStringLiteral("DRIVER");
    default: return {};
  }
}

int UserTypeIndex(const QString& text) {
  for (int i = 0; i < 3; ++i)
    if (text == UserTypeText(i)) return i;
  return -1;
}

}  // namespace client

bool CTrafficManager::Join(const QString& name, const QString& id, const QString& number, const QString& email,
                           const QString& userType) {
  using namespace protocol;
  auto n = FieldText(name, kUserNameSize, "이 름");
  if (!n) return false;
  auto i = FieldText(id, kUserIdSize, "사용자 ID");
  if (!i) return false;
  auto r = FieldText(number, kUserNumberSize, "주민번호");
  if (!r) return false;
  auto e = FieldText(email, kUserEmailSize, "E-MAIL");
  if (!e) return false;
  auto t = FieldText(userType, kUserTypeSize, "사용자구분");
  if (!t) return false;
  auto record = WriteUserRecord(UserRecord{*i, *n, *r, *t, *e});
  Exchange ex = Request(CMD_USER_REGISTER, record.data());
  if (ex.result != RESULT_OK) {
    kavrel::Sleep(kFailWaitMs);
    if (ex.result == RESULT_CONNECT_FAILED) Inform(msg::kConnectFailed);
    if (ex.result == RESULT_SEND_FAILED) Inform(msg::kSendFailed);
    return false;
  }
  if (!ex.received || ex.reply.size() < 4) {
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  switch (kavrel::ReadU32(ex.reply.data(), 0)) {
    case 0:
      Inform(msg::kJoined);
      // Only the ID: the new member logs in at the next start or login.
      app_.settings.WriteProfileString(CSettingsStore::kSettings, QStringLiteral("login_id"), id);
      return true;
    case 1: Inform(msg::kConnectFailed); return false;
    case 3: Inform(msg::kReceiveFailed); return false;
    case 16: Inform(msg::kIdInUse); return false;
    case RESULT_NOT_HANDLED: return false;
    default: Inform(msg::kJoinFailed); return false;
  }
}

bool CTrafficManager::GetMemberInformation(const QString& id, client::MemberInfo& info) {
  using namespace protocol;
  info = {};
  auto i = FieldText(id, kUserIdSize, "사용자 ID");
  if (!i) return false;
  auto body = WriteUserRecord(UserRecord{*i, {}, {}, {}, {}});
  Exchange ex = Request(CMD_USER_INFO_GET, body.data());
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  if (ex.reply.empty()) return true;
  const auto padded = Padded<kUserRecordSize>(ex.reply);
  const std::optional<UserRecord> record = ReadUserRecord(padded);
  if (!record) return false;
  info.name = client::FromAnsi(record->name);
  info.registrationNumber = client::FromAnsi(record->registrationNumber);
  info.email = client::FromAnsi(record->email);
  info.userType = client::FromAnsi(record->userType);
  return true;
}

bool CTrafficManager::ChangeMemberInformation(const QString& id, const QString& email, const QString& userType) {
  using namespace protocol;
  auto i = FieldText(id, kUserIdSize, "사용자 ID");
  if (!i) return false;
  auto e = FieldText(email, kUserEmailSize, "E-MAIL");
  if (!e) return false;
  auto t = FieldText(userType, kUserTypeSize, "사용자구분");
  if (!t) return false;
  kavrel::SetWaitCursor();
  auto record = WriteUserRecord(UserRecord{*i, {}, {}, *t, *e});
  Exchange ex = Request(CMD_USER_INFO_UPDATE, record.data());
  if (ex.result != RESULT_OK) {
    kavrel::Sleep(kFailWaitMs);
    kavrel::SetArrowCursor();
    if (ex.result == RESULT_CONNECT_FAILED) Inform(msg::kConnectFailed);
    if (ex.result == RESULT_SEND_FAILED) Inform(msg::kSendFailed);
    return false;
  }
  if (ex.received && ex.reply.empty()) {
    kavrel::SetArrowCursor();
    return true;
  }
  if (!ex.received || ex.reply.size() < 4) {
    kavrel::Sleep(kFailWaitMs);
    kavrel::SetArrowCursor();
    Inform(msg::kMemberInfoChangeFailed);
    return false;
  }
  kavrel::SetArrowCursor();
  // Unlike join and login, a non-zero result is the success here.
  if (kavrel::ReadU32(ex.reply.data(), 0) != 0) {
    Inform(msg::kMemberInfoChanged);
    return true;
  }
  Inform(msg::kMemberInfoChangeFailed);
  return false;
}

QString CTrafficManager::FindId(const QString& number) {
  using namespace protocol;
  // The number as text, 14 bytes with its NUL; a number that is not 13 digits is not sent.
  std::optional<std::string> ansi = client::ToAnsi(number);
  if (!ansi || ansi->size() + 1 > kUserNumberSize) return {};
  std::array<std::uint8_t, kUserNumberSize> body{};
  kavrel::WriteCp949Field(body.data(), body.size(), *ansi);
  Exchange ex = Request(CMD_USER_INFO_FIND, body.data());
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return {};
  }
  if (ex.reply.empty()) return {};
  // A text without its NUL is read as far as the reply goes.
  return client::FromAnsi(kavrel::ReadCp949Field(ex.reply.data(), ex.reply.size()));
}
