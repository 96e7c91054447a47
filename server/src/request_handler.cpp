#include "request_handler.h"

#include <algorithm>

#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "one_step_reply.h"
#include "places.h"
#include "registration_number.h"
#include "protocol/fixed_text.h"
#include "protocol/road_file.h"
#include "routes.h"

namespace kavreld {

using namespace protocol;

namespace {

constexpr std::size_t kMaxOperatorFile = 256 * 1024;

std::vector<std::uint8_t> Word(std::uint32_t v) {
  std::vector<std::uint8_t> out(4);
  kavrel::WriteU32(out.data(), 0, v);
  return out;
}

std::vector<std::uint8_t> TextWithNul(std::string_view text) {
  std::vector<std::uint8_t> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

std::vector<std::uint8_t> TextItem(std::string_view cp949) {
  std::vector<std::uint8_t> out(kTextItemSize, 0);
  kavrel::WriteCp949Field(out.data(), out.size(), cp949);
  return out;
}

// The UTF-8 form of a CP949 field that must hold printable text; nullopt when it
// has no NUL, does not convert or holds control characters.
std::optional<std::string> FieldText(const std::vector<std::uint8_t>& body, std::size_t offset, std::size_t size) {
  auto field = FixedFieldText(body, offset, size);
  if (!field) return std::nullopt;
  std::string_view raw = *field;
  for (char c : raw)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
  return kavrel::Cp949ToUtf8(raw);
}

bool IsUserType(std::string_view t) { return t == "OFFICIAL" || t == "USER" || t == "DRIVER"; }

}  // namespace

std::int64_t RequestHandler::CurrentMinute() {
  kavrel::LocalTime t = kavrel::GetLocalTime();
  return MinuteOf(t.year, t.month, t.day, t.hour, t.minute);
}

std::unique_ptr<RequestHandler> RequestHandler::Create(const HandlerSetup& setup, std::vector<std::string>& warnings,
                                                       std::string& error) {
  std::unique_ptr<RequestHandler> h(new RequestHandler());
  h->setup_ = setup;
  const auto serverDir = setup.dataDir / "server";

  auto conf = ReadSmallFile(serverDir / "server.conf", 64 * 1024);
  if (!conf) {
    error = (serverDir / "server.conf").string() + ": cannot be read";
    return nullptr;
  }
  auto config = ParseServerConfig(*conf, error);
  if (!config) return nullptr;
  h->config_ = *config;

  if (auto news = ReadSmallFile(serverDir / "news.txt", 1024 * 1024)) {
    std::size_t dropped = 0;
    h->news_ = BuildNewsReply(*news, dropped);
    if (dropped) warnings.push_back("news.txt: " + std::to_string(dropped) + " lines left out (40 lines, 2048 bytes)");
  } else {
    warnings.push_back("news.txt: cannot be read; the news flash is empty");
  }

  std::vector<std::uint8_t> image(protocol::kRoadFileSize, 0);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(setup.dataDir / "road.dat", ec)) {
    error = (setup.dataDir / "road.dat").string() + ": missing";
    return nullptr;
  }
  protocol::LoadRoadFile(image, setup.dataDir / "road.dat");
  h->network_ = RoadNetwork::FromImage(image);
  if (h->network_.roads().empty()) warnings.push_back("road.dat holds no roads");
  h->traffic_ = std::make_unique<TrafficSimulation>(h->network_, setup.seed);

  h->pictures_.Load(setup.dataDir / "cctv", warnings);

  h->members_ = MemberStore::Open(setup.dbPath, error, setup.questionsKept);
  if (!h->members_) {
    error = setup.dbPath.string() + ": " + error;
    return nullptr;
  }
  return h;
}

bool RequestHandler::UsesStore(std::uint32_t code) {
  switch (code) {
    case kUserRegister:
    case kUserLogin:
    case kQuestionSend:
    case kAnswerCheck:
    case kAnswerGet:
    case kUserInfoGet:
    case kUserInfoUpdate:
    case kUserInfoFind:
      return true;
    default:
      return false;
  }
}

RequestHandler::Reply RequestHandler::StoreFailed() {
  return {false, {}, "member store failed: " + members_->lastError()};
}

RequestHandler::Reply RequestHandler::Handle(const Request& r) {
  switch (r.code) {
    case kTickerText:
      return {true, std::vector<std::uint8_t>(news_.begin(), news_.end()), {}};
    case kUserRegister:
      return Join(r);
    case kUserLogin:
      return Login(r);
    case kUserLogout:
      return {true, Word(kResultOk), {}};
    case kRoadSpeed:
      return RoadSpeed(r);
    case kCctvStill:
      return Still(r);
    case kTextItemA:
      return {true, TextItem(config_.textA), {}};
    case kTextItemB:
      return {true, TextItem(config_.textB), {}};
    case kRelayAddress:
      return {true, TextItem(setup_.relayAddress), {}};
    case kPlaceSearch:
      return Search(r);
    case kRefreshIntervals: {
      auto out = WriteServerLimits({config_.limits});
      return {true, {out.begin(), out.end()}, {}};
    }
    case kBroadcastCheck:
      return Broadcast();
    case kQuestionSend:
      return QuestionSend(r);
    case kAnswerCheck:
      return Answers(r, false);
    case kAnswerGet:
      return Answers(r, true);
    case kRoute:
      return Route(r);
    case kUserInfoGet:
      return UserInfo(r);
    case kUserInfoUpdate:
      return UserUpdate(r);
    case kUserInfoFind:
      return UserFind(r);
    case kOneStep:
      return OneStep(r);
    default:
      // The parser lets no other code through.
      return {false, {}, "code not served"};
  }
}

RequestHandler::Reply RequestHandler::Join(const Request& r) {
  auto id = FieldText(r.body, kUserIdOffset, kUserIdSize);
  auto name = FieldText(r.body, kUserNameOffset, kUserNameSize);
  std::string_view number = FixedFieldText(r.body, kUserNumberOffset, kUserNumberSize).value_or("");
  std::string_view type = FixedFieldText(r.body, kUserTypeOffset, kUserTypeSize).value_or("");
  auto email = FieldText(r.body, kUserEmailOffset, kUserEmailSize);
  std::string why;
  if (!id || id->empty()) why = "no user ID, or one that does not fit its field";
  else if (!name || name->empty()) why = "no name, or one that does not fit its field";
  else if (!IsValidRegistrationNumber(number)) why = "registration number fails its check digit";
  else if (!IsUserType(type)) why = "unknown user type";
  else if (!email || email->find('@') == std::string::npos) why = "no e-mail address";
  if (!why.empty()) return {true, Word(kResultRefused), "join refused: " + why};
  switch (members_->Join({*id, *name, std::string(number), std::string(type), *email})) {
    case MemberStore::Status::Done:
      return {true, Word(kResultOk), "joined " + *id};
    case MemberStore::Status::Taken:
      return {true, Word(kResultIdTaken), "ID taken"};
    default:
      return StoreFailed();
  }
}

RequestHandler::Reply RequestHandler::Login(const Request& r) {
  auto id = FieldText(r.body, 0, kLoginIdSize);
  if (!id || id->empty()) return {true, Word(kResultUnknownMember), "unknown member"};
  Member m;
  switch (members_->Find(*id, m)) {
    case MemberStore::Status::Done:
      return {true, Word(kResultOk), "member " + *id};
    case MemberStore::Status::NotFound:
      return {true, Word(kResultUnknownMember), "unknown member"};
    default:
      return StoreFailed();
  }
}

RequestHandler::Reply RequestHandler::RoadSpeed(const Request& r) {
  auto name = FixedFieldText(r.body, 0, kTextBodySize);
  auto road = name ? network_.FindRoad(*name) : std::nullopt;
  if (!road) return {true, {}, "unknown road"};
  const RoadEntry& entry = network_.roads()[*road];
  std::int64_t minute = CurrentMinute();
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < entry.linkCount; ++i)
    out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(traffic_->Speed(entry.firstLink + i, minute))));
  return {true, out, {}};
}

RequestHandler::Reply RequestHandler::Still(const Request& r) {
  std::uint32_t id = kavrel::ReadU32(r.body.data(), 0);
  const auto* picture = pictures_.Find(id);
  if (!picture) return {true, {}, "no camera " + std::to_string(id)};
  return {true, *picture, {}};
}

RequestHandler::Reply RequestHandler::Search(const Request& r) {
  auto text = FixedFieldText(r.body, 0, kTextBodySize);
  if (!text) return {true, BuildSearchReply(network_, {}), "search text without its NUL"};
  auto found = SearchPlaces(network_, *text);
  return {true, BuildSearchReply(network_, found), std::to_string(found.size()) + " places"};
}

RequestHandler::Reply RequestHandler::Broadcast() {
  auto text = ReadSmallFile(setup_.dataDir / "server" / "broadcasts.txt", kMaxOperatorFile);
  std::string newest = text ? NewestBroadcast(*text) : "#";
  return {true, TextWithNul(newest), newest};
}

RequestHandler::Reply RequestHandler::QuestionSend(const Request& r) {
  auto id = FieldText(r.body, 0, kUserIdSize);
  std::string_view raw(reinterpret_cast<const char*>(r.body.data()) + kQuestionPrefixSize,
                       r.body.size() - kQuestionPrefixSize);
  // A text may arrive with its NUL; what follows a NUL is not part of it.
  raw = raw.substr(0, raw.find('\0'));
  auto text = kavrel::Cp949ToUtf8(raw);
  if (!id || id->empty()) return {true, Word(kResultUnknownMember), "no member"};
  if (!text || text->empty()) return {true, Word(kResultRefused), "question refused: empty or not code page 949"};
  Member m;
  auto found = members_->Find(*id, m);
  if (found == MemberStore::Status::NotFound) return {true, Word(kResultUnknownMember), "unknown member"};
  if (found != MemberStore::Status::Done) return StoreFailed();
  if (members_->AddQuestion(*id, *text) != MemberStore::Status::Done) return StoreFailed();
  return {true, Word(kResultOk), "question stored"};
}

RequestHandler::Reply RequestHandler::Answers(const Request& r, bool take) {
  auto id = FieldText(r.body, 0, kUserIdSize);
  if (!id || id->empty()) return {true, take ? std::vector<std::uint8_t>{} : Word(0), "no member"};
  std::vector<Question> open;
  if (members_->OpenQuestions(*id, open) != MemberStore::Status::Done) return StoreFailed();
  std::string answers = ReadSmallFile(setup_.dataDir / "server" / "answers.txt", kMaxOperatorFile).value_or("");
  std::uint32_t ready = 0;
  for (const Question& q : open) {
    auto answer = AnswerFor(answers, q.text);
    if (!answer) continue;
    if (take) {
      if (members_->MarkAnswered(q.number) != MemberStore::Status::Done) return StoreFailed();
      return {true, TextWithNul(*answer), "answer to question " + std::to_string(q.number)};
    }
    ++ready;
  }
  if (take) return {true, {}, "no answer waiting"};
  return {true, Word(ready), std::to_string(ready) + " answers waiting"};
}

RequestHandler::Reply RequestHandler::Route(const Request& r) {
  std::uint32_t kind = kavrel::ReadU32(r.body.data(), 0);
  auto from = network_.FindPlace(kavrel::ReadU32(r.body.data(), 4));
  auto to = network_.FindPlace(kavrel::ReadU32(r.body.data(), 8));
  if (kind > 1) return {true, {}, "unknown route kind"};
  if (!from || !to) return {true, {}, "unknown place"};
  std::vector<int> speeds = traffic_->Speeds(CurrentMinute());
  auto path = FindRoute(network_, speeds, kind == 1 ? RouteKind::Fastest : RouteKind::Shortest, *from, *to);
  if (!path) return {true, {}, "no path"};
  return {true, BuildRouteReply(network_, speeds, *from, *path), std::to_string(path->size()) + " legs"};
}

RequestHandler::Reply RequestHandler::OneStep(const Request& r) {
  auto selection = protocol::OneStepRecord::FromWire(r.body);
  // Each piece is what the single command would answer.
  std::vector<std::uint8_t> expanded = BuildOneStepReply(selection, [&](std::uint32_t code, std::vector<std::uint8_t> body) {
    return Handle(Request{code, r.clientAddress, std::move(body)}).bytes;
  });
  std::vector<std::uint8_t> compressed = CompressOneStepReply(expanded);
  return {true, compressed,
          std::to_string(selection.itemCount) + " items, " + std::to_string(selection.roadCount) + " roads, " +
              std::to_string(selection.routeCount) + " routes, " + std::to_string(selection.cameraCount) +
              " cameras: " + std::to_string(expanded.size()) + " bytes as " + std::to_string(compressed.size())};
}

RequestHandler::Reply RequestHandler::UserInfo(const Request& r) {
  auto id = FieldText(r.body, 0, kUserIdSize);
  Member m;
  if (!id || id->empty()) return {true, {}, "no member"};
  auto status = members_->Find(*id, m);
  if (status == MemberStore::Status::NotFound) return {true, {}, "unknown member"};
  if (status != MemberStore::Status::Done) return StoreFailed();
  std::vector<std::uint8_t> out(kUserRecordSize, 0);
  kavrel::WriteUtf8AsCp949Field(out.data() + kUserIdOffset, kUserIdSize, m.id);
  kavrel::WriteUtf8AsCp949Field(out.data() + kUserNameOffset, kUserNameSize, m.name);
  kavrel::WriteUtf8AsCp949Field(out.data() + kUserNumberOffset, kUserNumberSize, m.registrationNumber);
  kavrel::WriteUtf8AsCp949Field(out.data() + kUserTypeOffset, kUserTypeSize, m.userType);
  kavrel::WriteUtf8AsCp949Field(out.data() + kUserEmailOffset, kUserEmailSize, m.email);
  return {true, out, "member " + m.id};
}

RequestHandler::Reply RequestHandler::UserUpdate(const Request& r) {
  auto id = FieldText(r.body, kUserIdOffset, kUserIdSize);
  std::string_view type = FixedFieldText(r.body, kUserTypeOffset, kUserTypeSize).value_or("");
  auto email = FieldText(r.body, kUserEmailOffset, kUserEmailSize);
  if (!id || id->empty() || !IsUserType(type) || !email || email->find('@') == std::string::npos)
    return {true, Word(0), "change refused"};
  switch (members_->Update(*id, *email, std::string(type))) {
    case MemberStore::Status::Done:
      return {true, Word(1), "changed " + *id};
    case MemberStore::Status::NotFound:
      return {true, Word(0), "unknown member"};
    default:
      return StoreFailed();
  }
}

RequestHandler::Reply RequestHandler::UserFind(const Request& r) {
  std::string_view number = FixedFieldText(r.body, 0, kRegistrationBodySize).value_or("");
  if (!IsValidRegistrationNumber(number)) return {true, {}, "not a registration number"};
  std::string id;
  auto status = members_->FindIdByRegistrationNumber(std::string(number), id);
  if (status == MemberStore::Status::NotFound) return {true, {}, "no member with that number"};
  if (status != MemberStore::Status::Done) return StoreFailed();
  return {true, TextWithNul(kavrel::Utf8ToCp949Lossy(id)), "found " + id};
}

}  // namespace kavreld
