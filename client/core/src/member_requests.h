// Membership: the resident registration number rule, the user-type texts and the
// texts of the membership requests (the requests themselves are CTrafficManager's).
#pragma once

#include <QString>

namespace client {

// The check-digit rule of the resident registration number: a first part of exactly
// 6 and a second of exactly 7 characters, the 13th digit equal to
// (11 - sum mod 11) mod 10 where sum weighs the first 12 with 2..9, 2..5 (a character
// that is not a digit counts as 0).
bool IsValidRegistrationNumber(const QString& front, const QString& back);

// 0 "OFFICIAL", 1 "USER", 2 "DRIVER"; anything else the empty text.
QString UserTypeText(int type);
// The inverse; -1 for any other text.
int UserTypeIndex(const QString& text);

// What the member information request hands back.
struct MemberInfo {
  QString name;
  QString registrationNumber;
  QString email;
  QString userType;
};

}  // namespace client
