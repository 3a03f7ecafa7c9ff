#pragma once
// Stretching a page image for drawing. Enlarging repeats pixels. Shrinking a
// 1-bit image keeps a pixel dark when any page pixel under it is dark, so
// that one-pixel lines survive; other images shrink by averaging.

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// `image` scaled to `size` (both sizes positive).
QImage ScalePageImage(const QImage& image, const QSize& size);

// Draws the part `source` of `image` stretched over `target`.
void DrawStretched(QPainter& painter, const QRect& target, const QImage& image, const QRect& source);
