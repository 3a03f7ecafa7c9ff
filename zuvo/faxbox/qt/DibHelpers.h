#pragma once
// Drawing image handles without the image library: their colours as a
// palette, the page as a QImage, and drawing it into a QPainter one to one
// or stretched. The header getters are in faxbox/DibHeader.h.

#include <cstdint>
#include <span>

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>

#include "faxbox/DibHeader.h"
#include "pictra/ImageHandle.h"

class QPainter;

// The handle's colour table as opaque colours. Nonzero when a palette was
// made; 0 for a null handle and for pages without a colour table (24 bits),
// with `palette` left as it was.
int MakeDibPalette(const ImageHandle& handle, QList<QRgb>& palette);

// The page as a QImage, top row first: 1-bit as Format_Mono and 8-bit as
// Format_Indexed8 with the page's colour table, 4-bit unpacked into
// Format_Indexed8, 24-bit as Format_BGR888. A null image for a null handle,
// another bit count, or rows that do not fit in the block.
QImage DibToImage(const ImageHandle& handle);

// Draws the part `source` of the page (display coordinates, row 0 at the
// top) into `dest`: one to one when both have the same size, else stretched.
// Shrinking keeps the darker colour of a 1-bit page, so thin black lines stay
// visible; other pages shrink by averaging. The parts of `source` outside the
// page are not drawn. Gives the number of page rows drawn, 0 when nothing
// was (a null or unreadable handle, an empty or mirrored rectangle).
int DrawDib(QPainter& painter, const QRect& dest, const ImageHandle& handle, const QRect& source);
