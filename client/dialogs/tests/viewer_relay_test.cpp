// The viewer against a camera relay that answers every start with nonsense (random
// bytes of a random length): each start fails without harm, choosing again tries
// again, and the dialog closes cleanly with no session left behind.
#include <QComboBox>

#include "cctv_video_dlg.h"
#include "forwarding_peer.h"
#include "viewer_fixture.h"

namespace {

using viewer::testing::ProcessUntil;

class ViewerRelay : public viewer::testing::ViewerTest {};

TEST_F(ViewerRelay, NonsenseFromTheRelayFailsEachStartAndTheDialogClosesCleanly) {
  client::testing::PeerOptions nonsense;
  nonsense.spoil = client::testing::Spoil::RelayNonsense;
  client::testing::ForwardingPeer relay(address, "127.0.0.0", nonsense);
  ASSERT_TRUE(relay.listening());
  app.serverAddress = QString::fromStdString(address);
  tm.relayAddress = QString::fromStdString(address);  // as code 34 names it

  CctvVideoDlg dlg(app, nullptr);
  dlg.show();
  for (int start = 1; start <= 8; ++start) {
    if (start > 1) emit dlg.cameraList()->activated(dlg.curIndex());
    ASSERT_TRUE(ProcessUntil([&] { return relay.spoiled() >= start; })) << "start " << start;
  }
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.videoArea()->picturesShown(), 0u);
  dlg.reject();
  EXPECT_FALSE(tm.videoActive.load());
}

}  // namespace
