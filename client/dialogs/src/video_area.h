// The area a live video shows in: a widget registered as a platform window, so that
// the network library's renderer draws its pictures into it.
//
// The renderer calls the window's target on its own thread. The target copies each
// picture into a QImage and posts it to the GUI thread, which paints the latest one;
// it never touches the widget itself. The widget ends its registration before it goes,
// so a picture that arrives later is dropped.
#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QString>

#include <atomic>

#include "kavrel/window_handles.h"

class VideoArea : public QFrame {
 public:
  // `framed`: a static with a border; otherwise the area is plain `background`.
  explicit VideoArea(QWidget* parent, bool framed = true, QColor background = Qt::white);
  ~VideoArea() override;
  VideoArea(const VideoArea&) = delete;
  VideoArea& operator=(const VideoArea&) = delete;

  // The handle the library draws into.
  kavrel::WindowHandle handle() const { return handle_; }
  // Forgets the picture and the text shown (invalidate with erase).
  void Clear();
  // The picture shown last (null before the first) and how many have arrived.
  const QImage& picture() const { return picture_; }
  unsigned picturesShown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  class Target;
  void TakePicture(const QImage& picture);
  void TakeText(const QString& text, const QRect& rect);

  kavrel::WindowHandle handle_ = 0;
  QColor background_;
  QImage picture_;
  QString text_;
  QRect textRect_;
  unsigned shown_ = 0;
};
