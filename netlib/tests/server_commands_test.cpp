// What each server command sends after the header and what it hands back.
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

#include "camdec.h"

#include "library_fixture.h"
#include "process_state.h"

namespace zmntp::testing {
using namespace protocol;
namespace {

Bytes Header(std::uint32_t code) {
  Bytes h = Le32(code);
  const auto& a = State().localAddress;
  std::string text = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
                     std::to_string(a[3]);
  Bytes field(20, 0);
  std::memcpy(field.data(), text.data(), text.size());
  return Concat({h, field});
}

Bytes Padded(std::string_view s, std::size_t n) {
  Bytes b(n, 0);
  std::memcpy(b.data(), s.data(), std::min(s.size(), n));
  return b;
}

Bytes Record124(std::string_view userId) {
  Bytes r = Padded(userId, 124);
  for (std::size_t i = 21; i < 124; ++i) r[i] = static_cast<std::uint8_t>(i);
  return r;
}

struct Case {
  const char* name;
  unsigned long code;
  Bytes callerData;
  Bytes body;  // expected after the header
};

class ServerCommand : public LibraryTest {};

TEST_F(ServerCommand, EachCodeSendsItsBodyAndHandsBackTheRawReply) {
  const Bytes record = Record124("hong");
  const Bytes route = Concat({Le32(1), Le32(7), Le32(9)});
  const std::string search = "서울역";
  const Bytes searchCp = ToBytes(*kavrel::Utf8ToCp949(search));
  const Bytes searchText = Concat({searchCp, Bytes{0}});
  const Case cases[] = {
      {"ticker text", CMD_TICKER_TEXT, {}, {}},
      {"register", CMD_USER_REGISTER, record, record},
      {"text A", CMD_TEXT_ITEM_A, {}, {}},
      {"text B", CMD_TEXT_ITEM_B, {}, {}},
      {"relay address", CMD_TEXT_ITEM_C, {}, {}},
      {"node search", CMD_NODE_INFO, searchText, Padded(std::string_view(reinterpret_cast<const char*>(searchCp.data()), searchCp.size()), 128)},
      {"intervals", CMD_REFRESH_INTERVALS, {}, {}},
      {"route", CMD_ROUTE, route, route},
      {"update member", CMD_USER_INFO_UPDATE, record, record},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes reply = ToBytes("reply of " + std::string(c.name));
    ScriptedPeer peer(TestAddress(), {{24 + c.body.size(), Framed(reply)}});
    Outcome o = Run(peer, c.code, c.callerData.empty() ? nullptr : c.callerData.data());
    peer.Finish();
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.count, reply.size());
    EXPECT_EQ(o.data, reply);
    ASSERT_EQ(peer.Connections(), 1);
    // Header, body, then the acknowledgement 0.
    EXPECT_EQ(peer.Received()[0], Concat({Header(static_cast<std::uint32_t>(c.code)), c.body, Le32(0)}));
  }
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ServerCommand, LoginIsStoredAndItsUserIdGoesWithLaterCommands) {
  const Bytes zeros21(21, 0);
  {
    // Before any login the stored user ID is 21 zero bytes, whatever the caller passes.
    const Bytes other = Record124("someone-else");
    ScriptedPeer peer(TestAddress(), {{24 + 21, Framed(ToBytes("x"))}});
    EXPECT_EQ(Run(peer, CMD_USER_INFO_GET, other.data()).result, 0);
    peer.Finish();
    EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_USER_INFO_GET), zeros21, Le32(0)}));
  }
  const Bytes login = Record124("kimcs");
  {
    ScriptedPeer peer(TestAddress(), {{24 + 124, Framed(Le32(0))}});
    Outcome o = Run(peer, CMD_USER_LOGIN, login.data());
    peer.Finish();
    EXPECT_EQ(o.data, Le32(0));
    EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_USER_LOGIN), login, Le32(0)}));
  }
  const Bytes id = Padded("kimcs", 21);
  for (unsigned long code : {CMD_ANSWER_CHECK, CMD_ANSWER_GET, CMD_USER_INFO_GET}) {
    SCOPED_TRACE(code);
    ScriptedPeer peer(TestAddress(), {{24 + 21, Framed(ToBytes("ok"))}});
    EXPECT_EQ(Run(peer, code, nullptr).result, 0);
    peer.Finish();
    EXPECT_EQ(peer.Received()[0], Concat({Header(static_cast<std::uint32_t>(code)), id, Le32(0)}));
  }
  // Logout replaces the stored record too.
  const Bytes logout = Record124("parkjs");
  {
    ScriptedPeer peer(TestAddress(), {{24 + 124, Framed(Le32(0))}});
    Run(peer, CMD_USER_LOGOUT, logout.data());
  }
  ScriptedPeer peer(TestAddress(), {{24 + 21, Framed(ToBytes("ok"))}});
  Run(peer, CMD_ANSWER_CHECK, nullptr);
  peer.Finish();
  EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_ANSWER_CHECK), Padded("parkjs", 21), Le32(0)}));
}

TEST_F(ServerCommand, QuestionGoesInThreePartsWithTheCallersLength) {
  const Bytes login = Record124("leeyh");
  {
    ScriptedPeer peer(TestAddress(), {{24 + 124, Framed(Le32(0))}});
    Run(peer, CMD_USER_LOGIN, login.data());
  }
  const std::string question = *kavrel::Utf8ToCp949("내부순환로 정체 언제 풀리나요?");
  ScriptedPeer peer(TestAddress(), {{24 + 21 + 4 + question.size(), Framed(ToBytes("accepted"))}});
  Outcome o = Run(peer, CMD_QUESTION_SEND, question.data(), static_cast<unsigned long>(question.size()));
  peer.Finish();
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.data, ToBytes("accepted"));
  EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_QUESTION_SEND), Padded("leeyh", 21),
                                        Le32(static_cast<std::uint32_t>(question.size())), ToBytes(question), Le32(0)}));
}

TEST_F(ServerCommand, FindKeyIsFormattedIntoTheStoredRecord) {
  const Bytes login = Record124("choi");
  {
    ScriptedPeer peer(TestAddress(), {{24 + 124, Framed(Le32(0))}});
    Run(peer, CMD_USER_LOGIN, login.data());
  }
  {
    ScriptedPeer peer(TestAddress(), {{24 + 14, Framed(ToBytes("choi"))}});
    Outcome o = Run(peer, CMD_USER_INFO_FIND, "8001011234567");
    peer.Finish();
    EXPECT_EQ(o.data, ToBytes("choi"));
    EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_USER_INFO_FIND), Padded("8001011234567", 14), Le32(0)}));
  }
  // The key lives in the stored record: bytes 42..55, with the user ID untouched.
  EXPECT_EQ(std::memcmp(State().storedLoginRecord.data(), login.data(), 42), 0);
  EXPECT_EQ(std::memcmp(State().storedLoginRecord.data() + 42, "8001011234567", 14), 0);
  // A key longer than its field is cut to 13 bytes and its NUL, never past the field.
  ScriptedPeer peer(TestAddress(), {{24 + 14, Framed(ToBytes("x"))}});
  Run(peer, CMD_USER_INFO_FIND, "80010112345679999");
  peer.Finish();
  EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_USER_INFO_FIND), Padded("8001011234567", 14), Le32(0)}));
  EXPECT_EQ(State().storedLoginRecord[56], login[56]);
}

TEST_F(ServerCommand, LongTextIsCutToItsFieldAtACharacterBoundary) {
  // 200 bytes of two-byte characters: 126 bytes (63 characters) and the NUL fit in 128.
  std::string text;
  for (int i = 0; i < 100; ++i) text += "\xB0\xA1";  // 가
  ScriptedPeer peer(TestAddress(), {{24 + 128, Framed(ToBytes("r"))}});
  Run(peer, CMD_NODE_INFO, text.c_str());
  peer.Finish();
  Bytes expectBody = Padded(text.substr(0, 126), 128);
  EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_NODE_INFO), expectBody, Le32(0)}));
}

TEST_F(ServerCommand, UnknownCodeCostsAConnectionAndAHeader) {
  ScriptedPeer peer(TestAddress(), {{24, {}}});
  unsigned long count = 99;
  EXPECT_EQ(lib_.SendCmd(peer.addressText(), 7000, 200, &count, nullptr), RESULT_NOT_HANDLED);
  peer.Finish();
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(peer.Received()[0], Header(200));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:SendCmd:(정의되지 않음 명령)"});
}

TEST_F(ServerCommand, StillPictureIsDecodedToQcifPixels) {
  // An empty reply stays empty; any coded reply becomes 76,032 bytes of pixels.
  {
    ScriptedPeer peer(TestAddress(), {{24 + 4, Framed({})}});
    Outcome o = Run(peer, CMD_CCTV_STILL, Le32(3).data());
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.count, 0u);
  }
  // A camera's picture as the server keeps it.
  std::ifstream in(std::string(KAVREL_SOURCE_ROOT) + "/data/cctv/3.263", std::ios::binary);
  const Bytes coded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(coded.size(), 100u);
  ScriptedPeer peer(TestAddress(), {{24 + 4, Framed(coded)}});
  Outcome o = Run(peer, CMD_CCTV_STILL, Le32(3).data());
  peer.Finish();
  EXPECT_EQ(o.result, 0);
  ASSERT_EQ(o.count, 76032u);
  EXPECT_EQ(peer.Received()[0], Concat({Header(CMD_CCTV_STILL), Le32(3), Le32(0)}));
  // The pixels are the decoder's picture, not the zero-filled buffer.
  Bytes expect(76032, 0);
  Init(0, coded.data(), expect.data(), CAMDEC_QCIF);
  Decode(static_cast<int>(coded.size()));
  Destroy();
  EXPECT_EQ(o.data, expect);
  EXPECT_NE(o.data, Bytes(76032, 0));
}

}  // namespace
}  // namespace zmntp::testing
