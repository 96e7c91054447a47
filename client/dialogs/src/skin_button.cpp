#include "skin_button.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

#include "kavrel/ui/message_box.h"

namespace {

// No skin picture is larger than the screen; a file that claims more is refused before
// its pixels are read.
constexpr int kMaxSkinSide = 2048;

constexpr const char* kImageLoadError = "image load error";
constexpr const char* kCaption = "교통정보 티커";

}  // namespace

QImage LoadSkinBitmap(const QString& path) {
  QImageReader reader(path, "bmp");
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxSkinSide || size.height() > kMaxSkinSide) return {};
  QImage image;
  if (!reader.read(&image)) return {};
  return image.convertToFormat(QImage::Format_RGB32);
}

void DrawBitmap(QPainter& painter, const QImage& bitmap, int left, int top, int right, int bottom,
                bool stretch) {
  const QRect target(left, top, right - left, bottom - top);
  if (bitmap.isNull() || target.isEmpty()) return;
  if (stretch) {
    painter.drawImage(target, bitmap);
  } else {
    const QRect source = QRect(QPoint(0, 0), target.size()).intersected(bitmap.rect());
    painter.drawImage(target.topLeft(), bitmap, source);
  }
}

void DrawSkinBitmap(QPainter& painter, const QImage& bitmap, const QRect& place) {
  DrawBitmap(painter, bitmap, place.left(), place.top(), place.left() + place.width(),
             place.top() + place.height(), bitmap.size() != place.size());
}

SkinButton::SkinButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  flashTimer_.setSingleShot(true);
  flashTimer_.setInterval(kFlashMs);
  connect(&flashTimer_, &QTimer::timeout, this, [this] { SetState(false, pointerOn_); });
  blinkTimer_.setInterval(kBlinkMs);
  connect(&blinkTimer_, &QTimer::timeout, this, [this] { SetState(!lit_, pointerOn_); });
}

QImage SkinButton::LoadOrReport(const QString& path) {
  QImage image = LoadSkinBitmap(path);
  if (image.isNull()) {
    kavrel::ui::ShowMessageBox(this, QString::fromUtf8(kImageLoadError), QString::fromUtf8(kCaption),
                               kavrel::ui::MessageIcon::None);
  }
  return image;
}

void SkinButton::Load(const QString& normalPath, const QString& overPath, const QString& litPath) {
  normal_ = LoadOrReport(normalPath);
  over_ = LoadOrReport(overPath);
  litImage_ = litPath.isEmpty() ? QImage() : LoadOrReport(litPath);
  update();
}

void SkinButton::Flash() {
  if (toggleMode_) {
    SetState(!lit_, pointerOn_);
    return;
  }
  SetState(true, pointerOn_);
  flashTimer_.start();
}

void SkinButton::Blink(bool on) {
  if (on) {
    blinkTimer_.start();
  } else {
    blinkTimer_.stop();
  }
}

const QImage& SkinButton::CurrentImage() const {
  if (lit_) return litImage_;
  if (pointerOn_) return over_;
  return normal_;
}

QSize SkinButton::sizeHint() const { return normal_.isNull() ? QSize(24, 24) : normal_.size(); }

void SkinButton::SetState(bool lit, bool pointerOn) {
  if (lit == lit_ && pointerOn == pointerOn_) return;
  lit_ = lit;
  pointerOn_ = pointerOn;
  update();
}

void SkinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // An image that failed to load falls back to the normal one; without any image the
  // button still shows where it is and what it does.
  const QImage& chosen = CurrentImage().isNull() ? normal_ : CurrentImage();
  if (!chosen.isNull()) {
    DrawSkinBitmap(painter, chosen, rect());
    return;
  }
  painter.fillRect(rect(), lit_ || pointerOn_ ? QColor(70, 70, 90) : QColor(40, 40, 52));
  painter.setPen(QColor(199, 199, 255));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setPen(Qt::white);
  painter.drawText(rect(), Qt::AlignCenter, text());
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SetState(toggleMode_ ? !lit_ : true, true);
  QAbstractButton::mousePressEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !toggleMode_) SetState(false, false);
  QAbstractButton::mouseReleaseEvent(event);
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) {
    // While pressed the button follows the stylus: dragged off it shows the normal
    // image and a release out there does not light it or click.
    const bool inside = hitButton(event->position().toPoint());
    SetState(toggleMode_ ? lit_ : inside, inside);
  }
  QAbstractButton::mouseMoveEvent(event);
}

void SkinButton::enterEvent(QEnterEvent* event) {
  SetState(lit_, true);
  QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
  SetState(lit_, false);
  QAbstractButton::leaveEvent(event);
}

void SkinButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  SetState(false, false);
}
