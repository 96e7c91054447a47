// What the traffic manager asks of the view. InvalidateView and InvalidateRect may be
// called from any thread (the view posts them to the GUI thread); the others run on
// the GUI thread only.
#pragma once

#include <QRect>

class CNewsFlash;

class ITrafficView {
 public:
  virtual ~ITrafficView() = default;
  virtual void InvalidateView() = 0;
  virtual void InvalidateRect(const QRect& area) = 0;
  // Shows and starts the news-flash scroller with the text, or pauses and hides it.
  virtual void ApplyNewsFlash(const CNewsFlash& news) = 0;
  // The news-flash control's average character width in pixels.
  virtual int NewsAverageCharWidth() const = 0;
};
