// The test program's application (made by the Qt test main) with the client's font,
// and small helpers for pictures grabbed from widgets.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class QApplication;

// Sets the client's font on first use.
QApplication& TestApp();

// A directory of the test's own, removed at exit.
QString TestTempDir();

// Writes a 24-bit BMP of one colour into the test directory; returns its path.
QString WriteBmp(const QString& name, int width, int height, QColor colour);

// Number of pixels of exactly `colour` inside `rect`.
int CountColour(const QImage& image, const QRect& rect, QColor colour);
// Number of clearly visible pixels inside `rect` that are `colour` blended over black
// (the inside and the smoothed edges of text drawn in that colour).
int CountTinted(const QImage& image, const QRect& rect, QColor colour);
