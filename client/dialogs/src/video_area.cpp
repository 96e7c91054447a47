#include "video_area.h"

#include <QPainter>

#include <cstring>
#include <memory>

#include "kavrel/ui/gui_thread.h"

// Called by the library's threads, one call at a time. Until UnregisterWindow returns
// the widget exists, so posting to it is safe; the posted work is dropped if the
// widget goes before the GUI thread runs it.
class VideoArea::Target : public kavrel::WindowTarget {
 public:
  explicit Target(VideoArea* area) : area_(area) {}

  void ShowPicture(const std::uint8_t* bgr, int width, int height) override {
    if (!bgr || width <= 0 || height <= 0 || width > 4096 || height > 4096) return;
    // A bottom-up bitmap: the first row in memory is the bottom row on screen.
    QImage picture(width, height, QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* from = bgr + static_cast<std::size_t>(height - 1 - y) * rowBytes;
      std::uint8_t* to = picture.scanLine(y);
      for (std::size_t x = 0; x < rowBytes; x += 3) {
        to[x] = from[x + 2];
        to[x + 1] = from[x + 1];
        to[x + 2] = from[x];
      }
    }
    VideoArea* area = area_;
    kavrel::ui::PostToGui(area, [area, picture = std::move(picture)] { area->TakePicture(picture); });
  }

  void DrawText(std::string_view utf8, const kavrel::TextRect& rect) override {
    VideoArea* area = area_;
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    QRect r(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    kavrel::ui::PostToGui(area, [area, text, r] { area->TakeText(text, r); });
  }

 private:
  VideoArea* area_;
};

VideoArea::VideoArea(QWidget* parent, bool framed, QColor background)
    : QFrame(parent), background_(background) {
  if (framed) setFrameStyle(QFrame::Box | QFrame::Plain);
  setAttribute(Qt::WA_OpaquePaintEvent);
  handle_ = kavrel::RegisterWindow(std::make_shared<Target>(this));
}

VideoArea::~VideoArea() {
  // Waits for a picture being handed over; none reaches this widget afterwards.
  kavrel::UnregisterWindow(handle_);
}

void VideoArea::Clear() {
  picture_ = QImage();
  text_.clear();
  update();
}

void VideoArea::TakePicture(const QImage& picture) {
  picture_ = picture;
  ++shown_;
  update();
}

void VideoArea::TakeText(const QString& text, const QRect& rect) {
  text_ = text;
  textRect_ = rect;
  update();
}

void VideoArea::paintEvent(QPaintEvent* event) {
  {
    QPainter p(this);
    p.fillRect(rect(), background_);
    if (!picture_.isNull()) p.drawImage(QPoint(1, 1), picture_);
    if (!text_.isEmpty()) p.drawText(textRect_, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
  }
  QFrame::paintEvent(event);  // the border
}
