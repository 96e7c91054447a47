#include "ticker_ctrl.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include "panel_layout.h"

CTickerCtrl::CTickerCtrl(QWidget* parent) : QWidget(parent) {
  // The control paints every pixel itself; scrolling then moves the pixels on screen
  // instead of repainting the strip.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  timer_.setInterval(kStepMs);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &CTickerCtrl::Step);
}

void CTickerCtrl::ResetPosition() { x_ = rect().right() + 1; }

void CTickerCtrl::SetText(const QString& text) {
  text_ = text;
  RenderText();
  update();
}

int CTickerCtrl::AverageCharWidth() const { return fontMetrics().averageCharWidth(); }

void CTickerCtrl::Start() {
  if (!timer_.isActive()) timer_.start();
  paused_->store(false);
  show();
}

void CTickerCtrl::PauseAndHide() {
  paused_->store(true);
  hide();
  // Nothing moves while hidden; Start() resumes the steps.
  timer_.stop();
}

void CTickerCtrl::Stop() { timer_.stop(); }

void CTickerCtrl::Step() {
  if (paused_->load()) return;
  const QRect client = rect();
  --x_;
  if (x_ + width_ < client.left()) {
    x_ = client.right() + 1;
    update();
    return;
  }
  scroll(-1, 0);
}

void CTickerCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) RenderText();
  QWidget::changeEvent(event);
}

void CTickerCtrl::resizeEvent(QResizeEvent* event) {
  RenderText();
  QWidget::resizeEvent(event);
}

void CTickerCtrl::RenderText() {
  pieces_.clear();
  if (text_.isEmpty()) return;
  const QFontMetrics metrics(font());
  const int total = metrics.horizontalAdvance(text_);
  const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
  for (int start = 0; start < total; start += kPieceWidth) {
    QImage piece(std::min(kPieceWidth, total - start), height(), QImage::Format_RGB32);
    piece.fill(Qt::black);
    QPainter painter(&piece);
    painter.setFont(font());
    painter.setPen(panel::kNewsGreen);
    painter.drawText(QPoint(-start, baseline), text_);
    pieces_.push_back(std::move(piece));
  }
}

void CTickerCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect dirty = event->rect();
  painter.fillRect(dirty, Qt::black);
  // The text's pieces that reach into the dirty rectangle.
  int left = x_;
  for (const QImage& piece : pieces_) {
    const QRect target(left, 0, piece.width(), piece.height());
    if (target.intersects(dirty)) painter.drawImage(target.topLeft(), piece);
    left += piece.width();
  }
}
