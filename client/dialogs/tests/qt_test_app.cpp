#include "qt_test_app.h"

#include <QApplication>
#include <QFont>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

QApplication& TestApp() {
  static const bool fontSet = [] {
    QApplication::setFont(QFont(QStringLiteral("NanumGothic"), 9));
    return true;
  }();
  (void)fontSet;
  return *qApp;
}

QString TestTempDir() {
  static QTemporaryDir dir;
  return dir.path();
}

QString WriteBmp(const QString& name, int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(colour);
  const QString path = TestTempDir() + QLatin1Char('/') + name;
  image.save(path, "BMP");
  return path;
}

int CountColour(const QImage& image, const QRect& rect, QColor colour) {
  int count = 0;
  const QRect r = rect.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (image.pixelColor(x, y).rgb() == colour.rgb()) ++count;
  return count;
}

int CountTinted(const QImage& image, const QRect& rect, QColor colour) {
  const int top = std::max({colour.red(), colour.green(), colour.blue()});
  int count = 0;
  const QRect r = rect.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor p = image.pixelColor(x, y);
      const int peak = std::max({p.red(), p.green(), p.blue()});
      if (peak < top / 2) continue;
      auto near = [&](int got, int want) { return std::abs(got * top - want * peak) <= 16 * top; };
      if (near(p.red(), colour.red()) && near(p.green(), colour.green()) && near(p.blue(), colour.blue()))
        ++count;
    }
  }
  return count;
}
