// A client run inside a test against kavreld on the test's own loopback address, with
// the prepared profile, brought to its first full traffic screen.
#pragma once

#include <optional>

#include "demo_profile.h"
#include "scripted_peer.h"
#include "server_process.h"
#include "session_fixture.h"

namespace client::testing {

class KavreldClientRun : public ClientRun {
 protected:
  // kavreld up, the profile prepared, the client through its start sequence.
  void StartAtTrafficScreen() {
    server.emplace(address, kavreld::testing::SampleData(), dir.path() / "members.db", dir.path() / "kavreld.log");
    ASSERT_TRUE(server->Start()) << server->Log();
    ASSERT_TRUE(client::demo::PrepareProfile(address));
    Start();
    ASSERT_TRUE(Fire(CKavrelClientPDAView::kStartTimer));
    ASSERT_TRUE(RunLoader());
  }

  kavreld::testing::TempDir dir{"client"};
  const std::string address = zmntp::testing::TestAddress();
  std::optional<kavreld::testing::KavreldProcess> server;
};

}  // namespace client::testing
