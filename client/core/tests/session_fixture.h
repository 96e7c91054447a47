// A client run inside a test: a scratch profile, the fake clock, a message-box
// recorder, and the application with its view timers in the test's hands.
#pragma once

#include <QLineEdit>

#include <memory>

#include "client_test_support.h"
#include "kavrel/clock.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"
#include "scripted_peer.h"

namespace client::testing {

class ClientRun : public ::testing::Test {
 protected:
  // Near the top of the tick counter, so that refresh periods wrap around it.
  static constexpr std::uint32_t kStartTick = 0xFFFFFFFFu - 100000u;

  void SetUp() override { kavrel::ui::InstallCursorHook(); }
  void TearDown() override {
    app.reset();
    kavrel::SetCursorHook(nullptr);
  }

  // Starts the client as the program does, with manual view timers.
  void Start() {
    app = std::make_unique<CKavrelClientPDAApp>();
    app->InitInstance([](CMainFrame& frame) { frame.view()->timers().SetManual(true); });
  }
  // The exit command: the frame closes (logout), then the program ends.
  void Exit() {
    app->mainFrame()->close();
    app.reset();
  }
  CKavrelClientPDAView& view() { return *app->mainFrame()->view(); }
  CTrafficManager& traffic() { return app->trafficManager; }
  bool Fire(unsigned id) { return view().timers().Fire(id); }
  std::optional<unsigned> Timer(unsigned id) { return view().timers().Interval(id); }
  // Timer 10 starts the loader; this waits until it has let rotation, refresh and
  // the news flash loose.
  bool RunLoader() {
    if (!Fire(CKavrelClientPDAView::kLoaderTimer)) return false;
    return ProcessUntil([&] {
      return app->flags.refreshEnabled.load() && Timer(CKavrelClientPDAView::kNewsTimer).has_value();
    });
  }
  void TypeId(const QString& id) { view().findChild<QLineEdit*>(QStringLiteral("idEdit"))->setText(id); }

  ScratchProfile profile;
  CSettingsStore store;
  kavrel::FakeClock clock{kStartTick};
  kavrel::ScopedClock scopedClock{clock};
  kavrel::ui::MessageBoxRecorder boxes;
  std::unique_ptr<CKavrelClientPDAApp> app;
};

// A scripted server's answer to the logout the program sends as it ends.
inline zmntp::testing::Conversation LogoutAnswer() { return zmntp::testing::Answer(124, zmntp::testing::Le32(0)); }

}  // namespace client::testing
