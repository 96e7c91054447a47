// Answers one parsed request: the reply bytes of each code, from the member store,
// the road network and its live traffic, and the server's content files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "member_store.h"
#include "protocol/records.h"
#include "request_parser.h"
#include "road_network.h"
#include "server_content.h"
#include "still_pictures.h"
#include "traffic_simulation.h"

namespace kavreld {

struct HandlerSetup {
  std::filesystem::path dataDir;  // road.dat, server/, cctv/
  std::filesystem::path dbPath;
  std::uint64_t seed = 1;
  // The camera relay's address that code 34 names (dotted IPv4).
  std::string relayAddress = "127.0.0.1";
  std::size_t questionsKept = kQuestionsKept;  // per member
};

class RequestHandler {
 public:
  // nullptr and `error` set when the data or the database cannot be used; `warnings`
  // collects what was skipped.
  static std::unique_ptr<RequestHandler> Create(const HandlerSetup& setup, std::vector<std::string>& warnings,
                                                std::string& error);

  struct Reply {
    bool send = true;  // false: close without a reply (the store failed)
    std::vector<std::uint8_t> bytes;
    std::string note;  // for the log line
  };
  // Codes whose answer needs the member store may run on another thread than the
  // rest (one at a time); every other code only reads what Create loaded.
  Reply Handle(const Request& request);
  static bool UsesStore(std::uint32_t code);

  const RoadNetwork& network() const { return network_; }
  const TrafficSimulation& traffic() const { return *traffic_; }
  // The minute the traffic is simulated for now (local time).
  static std::int64_t CurrentMinute();

 private:
  RequestHandler() = default;
  Reply Join(const Request& r);
  Reply Login(const Request& r);
  Reply RoadSpeed(const Request& r);
  Reply Still(const Request& r);
  Reply Search(const Request& r);
  Reply Broadcast();
  Reply QuestionSend(const Request& r);
  Reply Answers(const Request& r, bool take);
  Reply Route(const Request& r);
  Reply UserInfo(const Request& r);
  Reply UserUpdate(const Request& r);
  Reply UserFind(const Request& r);
  Reply OneStep(const Request& r);
  Reply StoreFailed();

  HandlerSetup setup_;
  std::unique_ptr<MemberStore> members_;
  RoadNetwork network_;
  std::unique_ptr<TrafficSimulation> traffic_;
  ServerConfig config_;
  std::string news_;
  StillPictures pictures_;
};

}  // namespace kavreld
