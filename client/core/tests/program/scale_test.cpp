// The screen drawn three times larger: pictures and pointer positions stay in the
// handheld's pixels, the painting is three times finer.
#include <QPainter>
#include <QTest>
#include <QWindow>

#include "client_test_support.h"
#include "handheld_screen.h"
#include "kavrel/clock.h"
#include "kavrel/testing/scratch.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"
#include "messages.h"
#include "program_test_scale.h"

namespace {

using View = CKavrelClientPDAView;
using client::testing::kTestScale;

TEST(ScreenScale, ParsesWholeScalesFromOneToFour) {
  for (const char* good : {"1", "2", "3", "4"}) EXPECT_TRUE(client::ParseScale(QString::fromLatin1(good))) << good;
  for (const char* bad : {"0", "5", "-1", "2.5", "", "x", "3x", "99999999999"})
    EXPECT_FALSE(client::ParseScale(QString::fromLatin1(bad))) << bad;
}

class ScaledLoginScreen : public ::testing::Test {
 protected:
  // The program without a profile: its login screen.
  void SetUp() override {
    app.InitInstance();
    ASSERT_TRUE(client::testing::ProcessUntil([&] { return frame().windowHandle() && frame().isVisible(); }));
  }
  CMainFrame& frame() { return *app.mainFrame(); }
  View& view() { return *frame().view(); }
  // Clicks the middle of a control through the frame's window.
  void Click(int control) {
    QWidget* w = view().Control(control);
    QTest::mouseClick(frame().windowHandle(), Qt::LeftButton, {}, w->mapTo(&frame(), w->rect().center()));
  }

  // Failed requests return at once (there is no server).
  kavrel::FakeClock clock;
  kavrel::ScopedClock scopedClock{clock};
  client::testing::ScratchProfile profile;
  kavrel::ui::MessageBoxRecorder boxes;
  CKavrelClientPDAApp app;
};

TEST_F(ScaledLoginScreen, PaintsFinerWhilePicturesAndInputStayInHandheldPixels) {
  ASSERT_EQ(frame().windowHandle()->devicePixelRatio(), kTestScale);

  // What the window shows is three times larger in each direction; the picture of the
  // screen is 240 x 320 all the same.
  const QImage shown = view().grab().toImage();
  EXPECT_EQ(shown.size(), view().size() * kTestScale);
  const QImage screen = client::CaptureScreen(frame());
  ASSERT_EQ(screen.size(), QSize(client::kScreenWidth, client::kScreenHeight));

  // Pictures are scaled whole pixel by pixel and text is drawn at the larger size: most
  // of the scaled painting is the small one with each pixel repeated, but not all.
  QImage small(view().size(), QImage::Format_RGB32);
  {
    QPainter p(&small);
    view().render(&p);
  }
  // On the screen the login window lies in the work area, between the navigation bar
  // and the command bar.
  EXPECT_EQ(screen.copy(0, 26, 240, 268), small);
  EXPECT_NE(screen.pixel(230, 3), screen.pixel(230, 30));
  EXPECT_NE(screen.pixel(230, 300), screen.pixel(230, 290));
  const QImage repeated = small.scaled(shown.size()).convertToFormat(QImage::Format_RGB32);
  const QImage scaled = shown.convertToFormat(QImage::Format_RGB32);
  long same = 0;
  for (int y = 0; y < scaled.height(); ++y)
    for (int x = 0; x < scaled.width(); ++x) same += scaled.pixel(x, y) == repeated.pixel(x, y);
  const double share = double(same) / (scaled.width() * scaled.height());
  EXPECT_GT(share, 0.8);
  EXPECT_LT(share, 1.0);

  // A click reaches the control under it: the login button without an ID asks for one,
  // a click in the ID field gives it the focus.
  Click(View::kLoginButton);
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_EQ(boxes.texts()[0], QString::fromUtf8(client::messages::kEnterId));
  view().Control(View::kJoinButton)->setFocus();
  Click(View::kIdEdit);
  EXPECT_TRUE(view().Control(View::kIdEdit)->hasFocus());
}

}  // namespace
