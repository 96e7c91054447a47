// CTickerCtrl: the news-flash line along the bottom of the traffic screen. Black strip,
// news-green text whose left edge is at x; every 50 ms x moves one pixel left and the
// strip's contents scroll with it, so only the uncovered column repaints. The steps
// run on the GUI thread (a timer of the control); `tickerPaused` holds them.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <vector>

class CTickerCtrl : public QWidget {
 public:
  static constexpr int kStepMs = 50;

  explicit CTickerCtrl(QWidget* parent = nullptr);

  // The session's `tickerPaused` flag; without one the control keeps its own.
  void SetPausedFlag(std::atomic<bool>* flag) { paused_ = flag ? flag : &ownPaused_; }

  // x = the right edge of the client rectangle. Called once after the control is placed.
  void ResetPosition();
  // Neither moves x.
  void SetText(const QString& text);
  void SetWidth(int pixels) { width_ = pixels; }
  // Average character width of the control's font, for the text width estimate.
  int AverageCharWidth() const;

  // Steps from now on, clears `tickerPaused` and shows the control.
  void Start();
  // Sets `tickerPaused` and hides the control.
  void PauseAndHide();
  // Ends the stepping for good (shutdown).
  void Stop();

  // One step of the scroller (the timer's work): unless paused, x moves one pixel left,
  // wrapping to the right edge once the text has gone past the left one.
  void Step();

  int X() const { return x_; }
  int TextWidth() const { return width_; }
  const QString& Text() const { return text_; }
  bool Stepping() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RenderText();

  std::atomic<bool> ownPaused_{false};
  std::atomic<bool>* paused_ = &ownPaused_;
  QTimer timer_;
  QString text_;
  int x_ = 0;
  int width_ = 0;
  // The text drawn once, in pieces no wider than kPieceWidth (painting a long line
  // again for every pixel would lay it out twenty times a second).
  static constexpr int kPieceWidth = 2048;
  std::vector<QImage> pieces_;
};
