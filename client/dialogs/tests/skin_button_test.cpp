#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include "kavrel/ui/message_box.h"
#include "qt_test_app.h"
#include "skin_button.h"

namespace {

const QColor kNormal(10, 20, 30);
const QColor kOver(40, 50, 60);
const QColor kLit(70, 80, 90);

struct SkinButtonTest : ::testing::Test {
  void SetUp() override {
    normal = WriteBmp("n.bmp", 24, 24, kNormal);
    over = WriteBmp("o.bmp", 24, 24, kOver);
    lit = WriteBmp("l.bmp", 24, 24, kLit);
    button.resize(24, 24);
  }
  // The "image load error" boxes shown so far (each checked for its caption and icon).
  int Reports() {
    int n = 0;
    for (const auto& shown : boxes.shown()) {
      EXPECT_EQ(shown.text, QStringLiteral("image load error"));
      EXPECT_EQ(shown.caption, QStringLiteral("교통정보 티커"));
      EXPECT_EQ(shown.icon, kavrel::ui::MessageIcon::None);
      ++n;
    }
    return n;
  }

  QColor Shown() { return button.grab().toImage().pixelColor(12, 12); }

  void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
    const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), button.mapToGlobal(QPointF(pos)), b, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
  }

  QApplication& app = TestApp();  // before any widget
  kavrel::ui::MessageBoxRecorder boxes;
  QString normal, over, lit;
  SkinButton button{QStringLiteral("메뉴")};
};

TEST_F(SkinButtonTest, ShowsTheImageOfItsState) {
  button.Load(normal, over, lit);
  EXPECT_EQ(Reports(), 0);
  EXPECT_EQ(Shown(), kNormal);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&button, &enter);
  EXPECT_TRUE(button.PointerOn());
  EXPECT_EQ(Shown(), kOver);
  button.Flash();
  EXPECT_EQ(Shown(), kLit);
  QTRY_VERIFY_WITH_TIMEOUT(!button.Lit(), 5000);  // the flash ends by itself
  EXPECT_EQ(Shown(), kOver);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_EQ(Shown(), kNormal);
}

// Stylus sequences on a button, with the state and the picture they end in.
TEST_F(SkinButtonTest, FollowsTheStylus) {
  struct Step {
    QEvent::Type type;
    QPoint pos;
  };
  struct Case {
    const char* name;
    bool toggleMode;
    std::vector<Step> steps;
    bool lit;
    QColor shown;
    int clicks;
  };
  const QPoint in(12, 12), out(60, 12);
  const auto press = QEvent::MouseButtonPress, move = QEvent::MouseMove, release = QEvent::MouseButtonRelease;
  const std::vector<Case> cases = {
      {"pressed shows lit", false, {{press, in}}, true, kLit, 0},
      {"tap clicks and goes dark", false, {{press, in}, {release, in}}, false, kNormal, 1},
      {"dragged off shows normal", false, {{press, in}, {move, out}}, false, kNormal, 0},
      {"dragged off and back lights again", false, {{press, in}, {move, out}, {move, in}}, true, kLit, 0},
      {"released outside stays dark", false, {{press, in}, {move, out}, {release, out}}, false, kNormal, 0},
      {"toggle: tap lights", true, {{press, in}, {release, in}}, true, kLit, 1},
      {"toggle: second tap darkens", true, {{press, in}, {release, in}, {press, in}, {release, in}}, false,
       kOver, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    button.SetToggleMode(c.toggleMode);
    button.Load(normal, over, lit);
    // Each case starts idle.
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(&button, &focusOut);
    int clicks = 0;
    auto connection = QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    for (const Step& s : c.steps) {
      const bool held = s.type != release;
      Mouse(s.type, s.pos, held ? Qt::LeftButton : Qt::NoButton);
    }
    QObject::disconnect(connection);
    EXPECT_EQ(button.Lit(), c.lit);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(clicks, c.clicks);
  }
}

TEST_F(SkinButtonTest, BlinksAndFlashesInToggleMode) {
  button.Load(normal, over, lit);
  button.SetToggleMode(true);
  button.Flash();
  EXPECT_TRUE(button.Lit());
  button.Flash();
  EXPECT_FALSE(button.Lit());
  button.Blink(true);
  QTRY_VERIFY_WITH_TIMEOUT(button.Lit(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!button.Lit(), 5000);
  button.Blink(false);
  EXPECT_FALSE(button.Blinking());
}

// A missing second file of the pair is reported for the over and the lit image; the
// button keeps working with its normal image.
TEST_F(SkinButtonTest, MissingPairFileIsReportedTwiceAndNormalImageStays) {
  const QString missing = TestTempDir() + "/close_2.bmp";
  button.Load(normal, missing, missing);
  EXPECT_EQ(Reports(), 2);
  EXPECT_TRUE(button.OverImage().isNull());
  Mouse(QEvent::MouseButtonPress, {12, 12}, Qt::LeftButton);
  EXPECT_EQ(Shown(), kNormal);
  button.Load(normal, over, QString());
  EXPECT_EQ(Reports(), 2);  // no lit path, nothing to load
}

// Skin files that are not what they claim to be are reported like missing ones; one of
// another size is scaled to the button. None of them may crash the client.
TEST_F(SkinButtonTest, DamagedOrOddSizedSkinFiles) {
  const QString dir = TestTempDir();
  auto write = [&](const char* name, const QByteArray& bytes) {
    QFile f(dir + "/" + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  QImage png(24, 24, QImage::Format_RGB32);
  png.fill(Qt::red);
  png.save(dir + "/png.bmp", "PNG");
  QFile full(normal);
  ASSERT_TRUE(full.open(QIODevice::ReadOnly));
  const QByteArray bmp = full.readAll();
  QByteArray huge = bmp;
  huge[18] = '\xff';  // width 0x7fff..: far beyond any screen
  huge[21] = '\x7f';
  const std::vector<QString> bad = {write("empty.bmp", {}), write("text.bmp", "BM not a picture"),
                                    dir + "/png.bmp", write("huge.bmp", huge)};
  for (const QString& path : bad) {
    SCOPED_TRACE(path.toStdString());
    boxes.Clear();
    button.Load(path, path, path);
    EXPECT_EQ(Reports(), 3);
    button.grab();  // paints the fallback
  }
  // A file cut short: the reader keeps what is there or gives up; either way it paints.
  const QString cut = write("cut.bmp", bmp.left(60));
  button.Load(cut, cut, cut);
  button.grab();

  button.Load(WriteBmp("small.bmp", 10, 8, kNormal), over, lit);
  const QImage shown = button.grab().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), kNormal);
  EXPECT_EQ(shown.pixelColor(23, 23), kNormal);
}

TEST(DrawBitmap, CopiesUnscaledOrStretches) {
  TestApp();
  QImage bitmap(4, 4, QImage::Format_RGB32);
  bitmap.fill(Qt::blue);
  bitmap.setPixelColor(0, 0, Qt::red);
  QImage target(10, 10, QImage::Format_RGB32);
  target.fill(Qt::black);
  {
    QPainter p(&target);
    DrawBitmap(p, bitmap, 1, 1, 3, 3, false);  // only the top-left 2 x 2
    DrawBitmap(p, bitmap, 4, 4, 10, 10, true);
  }
  EXPECT_EQ(target.pixelColor(1, 1), QColor(Qt::red));
  EXPECT_EQ(target.pixelColor(2, 2), QColor(Qt::blue));
  EXPECT_EQ(target.pixelColor(3, 3), QColor(Qt::black));
  EXPECT_EQ(target.pixelColor(5, 5), QColor(Qt::red));  // 1 px became 1.5 px
  EXPECT_EQ(target.pixelColor(9, 9), QColor(Qt::blue));
}

}  // namespace
