#include "handheld_screen.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "kavrel/ui/shell.h"
#include "main_frame.h"

namespace client {
namespace {

constexpr int kBarHeight = kavrel::ui::kShellBarHeight;
constexpr int kWorkAreaHeight = kScreenHeight - 2 * kBarHeight;
const QColor kNavBarColour(0, 0, 128);
const QColor kCommandBarColour(212, 208, 200);

// The window's title, or that of the first window below it that has one.
QString NavBarTitle(const std::vector<QWidget*>& stack) {
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    if (!(*it)->windowTitle().isEmpty()) return (*it)->windowTitle();
  return {};
}

void PaintNavBar(QPainter& p, const QString& title) {
  p.fillRect(0, 0, kScreenWidth, kBarHeight, kNavBarColour);
  p.setPen(Qt::white);
  QFont font = QApplication::font();
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(6, 0, kScreenWidth - 12, kBarHeight), Qt::AlignVCenter | Qt::AlignLeft, title);
}

// Below the work area: the command bar (the program puts nothing in it).
void PaintCommandBar(QPainter& p) {
  const int top = kScreenHeight - kBarHeight;
  p.fillRect(0, top, kScreenWidth, kBarHeight, kCommandBarColour);
  p.setPen(Qt::white);
  p.drawLine(0, top, kScreenWidth - 1, top);
}

}  // namespace

QImage CaptureScreen(CMainFrame& frame, QWidget* top) {
  // The windows from the frame up to `top`, each the parent window of the next.
  std::vector<QWidget*> stack;
  for (QWidget* w = top ? top->window() : nullptr; w && w != &frame;
       w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
    stack.insert(stack.begin(), w);
  stack.insert(stack.begin(), &frame);

  // The shell's bars first: a window that reaches over them hides them.
  QImage screen(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  screen.fill(Qt::black);
  QPainter p(&screen);
  PaintNavBar(p, NavBarTitle(stack));
  PaintCommandBar(p);
  for (QWidget* w : stack) {
    const QSize size = w->size().boundedTo(QSize(kScreenWidth, kScreenHeight));
    QPoint at;
    if (size.width() < kScreenWidth)
      at = QPoint((kScreenWidth - size.width()) / 2, kBarHeight + std::max(0, (kWorkAreaHeight - size.height()) / 2));
    else
      at = QPoint(0, size.height() <= kScreenHeight - kBarHeight ? kBarHeight : kScreenHeight - size.height());
    w->render(&p, at, QRegion(QRect(QPoint(0, 0), size)));
  }
  p.end();
  return screen;
}

std::optional<int> ParseScale(const QString& text) {
  bool ok = false;
  const int scale = text.toInt(&ok);
  if (!ok || scale < 1 || scale > kMaxScale) return std::nullopt;
  return scale;
}

void SetScreenScale(int scale) {
  // Qt's own high-resolution scaling: every window is laid out in the handheld's pixels
  // and painted `scale` times larger (text at the larger size, pictures without
  // blurring), and pointer positions come back in the handheld's pixels. The desktop's
  // own factor is rounded so that the product stays whole.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
}

}  // namespace client
