// SkinButton: an owner-drawn push button that paints one of three bitmaps by its state
// (normal, stylus over it, lit) and can flash or blink on request. Also the bitmap
// drawing routine the main view uses for its background pictures.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QTimer>

class QPainter;

// Loads a skin bitmap file. A file that is missing, not a readable BMP or absurdly
// large gives a null image (the caller reports it).
QImage LoadSkinBitmap(const QString& path);

// Copies `bitmap` into the rectangle left, top, right, bottom: with `stretch` the
// whole bitmap is scaled into it, otherwise it is copied unscaled from its top-left
// corner (whatever of it fits). A null bitmap draws nothing.
void DrawBitmap(QPainter& painter, const QImage& bitmap, int left, int top, int right, int bottom,
                bool stretch);

// Draws a skin picture into its place: unscaled when it has the place's size, scaled to
// the place when a replaced skin file has another size.
void DrawSkinBitmap(QPainter& painter, const QImage& bitmap, const QRect& place);

class SkinButton : public QAbstractButton {
 public:
  static constexpr int kFlashTimer = 1;    // end of a flash, one shot
  static constexpr int kBlinkTimer = 2;    // blinking, repeated
  static constexpr int kFlashMs = 300;
  static constexpr int kBlinkMs = 400;

  explicit SkinButton(const QString& text = {}, QWidget* parent = nullptr);

  // Loads the three images; each file that cannot be loaded shows "image load error"
  // once and leaves its image empty. The lit image is loaded only when its path is not empty.
  void Load(const QString& normalPath, const QString& overPath, const QString& litPath);

  // Toggle mode: inverts `lit`. Otherwise lights the button for 300 ms.
  void Flash();
  // Starts (every 400 ms the lit state inverts) or stops blinking.
  void Blink(bool on);

  void SetToggleMode(bool on) { toggleMode_ = on; }
  bool ToggleMode() const { return toggleMode_; }
  bool Lit() const { return lit_; }
  bool PointerOn() const { return pointerOn_; }
  bool Blinking() const { return blinkTimer_.isActive(); }

  // The image the next paint shows (null when that image failed to load).
  const QImage& CurrentImage() const;
  const QImage& NormalImage() const { return normal_; }
  const QImage& OverImage() const { return over_; }
  const QImage& LitImage() const { return litImage_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QImage LoadOrReport(const QString& path);
  void SetState(bool lit, bool pointerOn);

  QImage normal_;
  QImage over_;
  QImage litImage_;
  bool lit_ = false;
  bool pointerOn_ = false;
  bool toggleMode_ = false;
  QTimer flashTimer_;
  QTimer blinkTimer_;
};
