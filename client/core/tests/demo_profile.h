// The prepared profile of a running kavreld: a member joins, the route's points are
// looked up, and the profile gets the member, `ticker_start` 1, three road points, a
// route, two cameras and the news flash on. Used by the end-to-end test and the launch
// benchmark.
#pragma once

#include <QString>

#include <cstring>
#include <string>
#include <vector>

#include "ZMNTP.h"
#include "ansi_text.h"
#include "kavrel/cp949.h"
#include "protocol/commands.h"
#include "protocol/records.h"
#include "settings_store.h"

namespace client::demo {

inline constexpr const char* kMember = "demo";

// A member's join record (id, name, registration number, kind, e-mail in fixed fields).
inline std::vector<std::uint8_t> JoinRecord(const std::string& id) {
  std::vector<std::uint8_t> r(124, 0);
  auto put = [&](std::size_t at, std::size_t size, const QString& text) {
    const std::string s = client::ToAnsiLossy(text);
    std::memcpy(r.data() + at, s.data(), std::min(s.size(), size - 1));
  };
  put(0, 21, QString::fromStdString(id));
  put(21, 21, QStringLiteral("홍길동"));
  put(42, 14, QStringLiteral("8001011234560"));
  put(56, 13, QStringLiteral("USER"));
  put(69, 55, QStringLiteral("demo@example.com"));
  return r;
}

// One request through the library; the reply's bytes (empty on failure).
inline std::vector<std::uint8_t> Ask(std::string server, unsigned long code, void* body) {
  CZMNTP net;
  unsigned long count = 0;
  if (net.SendCmd(server.data(), 7000, code, &count, body) != RESULT_OK) return {};
  std::vector<std::uint8_t> reply(count * ZMNTP_ResultUnit(code), 0);
  if (count) net.GetData(code, nullptr, count, reply.data());
  return reply;
}

inline std::uint32_t PointId(const std::string& server, const QString& place) {
  std::array<std::uint8_t, protocol::kTextBodySize> body{};
  kavrel::WriteCp949Field(body.data(), body.size(), client::ToAnsiLossy(place));
  auto results = protocol::ReadSearchReply(Ask(server, CMD_NODE_INFO, body.data()));
  return results.empty() ? 0 : results[0].id;
}

// Joins the member (an existing one is fine) and writes the profile. False when the
// server does not answer.
inline bool PrepareProfile(const std::string& server) {
  auto join = JoinRecord(kMember);
  if (Ask(server, CMD_USER_REGISTER, join.data()).size() < 4) return false;
  const std::uint32_t from = PointId(server, QStringLiteral("시청앞"));
  const std::uint32_t to = PointId(server, QStringLiteral("남부시장"));
  if (!from || !to) return false;
  CSettingsStore s;
  s.WriteProfileString(CSettingsStore::kSettings, "tsip", QString::fromStdString(server));
  s.WriteProfileInt(CSettingsStore::kSettings, "auto_login", 1);
  s.WriteProfileString(CSettingsStore::kSettings, "login_id", kMember);
  s.WriteProfileInt(CSettingsStore::kSettings, "ticker_start", 1);
  // The last field is the point list the row was chosen from: 0 road, 1 bridge, 2 tunnel.
  s.SaveList(CSettingsStore::kRoads, {"true,대 로,중앙대로,0,", "true,다 리,가람대교,1,", "true,터 널,산복터널,2,"}, 3, 0, 5);
  s.SaveList(CSettingsStore::kRoutes,
             {QStringLiteral("true,빠른길,시청앞,%1,남부시장,%2,").arg(from).arg(to)}, 1, 0, 5);
  s.SaveList(CSettingsStore::kCameras, {"true,시청앞,1,", "true,중앙역,2,"}, 2, 0, 5);
  s.WriteProfileInt(CSettingsStore::kNewsFlash, "show", 1);
  s.WriteProfileString(CSettingsStore::kNewsFlash, "update", "0,5");
  return true;
}

}  // namespace client::demo
