// skin-render: turns an SVG skin source into the 24-bit BMP file the client loads.
//   skin-render IN.svg OUT.bmp
// The picture gets the SVG's own size; its text is set in the fonts installed here.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: skin-render IN.svg OUT.bmp\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  const QSize size = renderer.defaultSize();
  if (!renderer.isValid() || size.isEmpty() || size.width() > 2048 || size.height() > 2048) {
    std::fprintf(stderr, "skin-render: %s is not a usable SVG picture\n", argv[1]);
    return 1;
  }
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter);
  }
  if (!image.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(argv[2]), "BMP")) {
    std::fprintf(stderr, "skin-render: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
