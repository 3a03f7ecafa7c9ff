#include "faxbox/qt/DibHelpers.h"

#include <algorithm>
#include <cstring>

#include <QPainter>

#include "faxbox/qt/DibScaling.h"
#include "pictra/DibRows.h"

namespace {

// The colour-table entries as opaque colours, at most the colour count.
QList<QRgb> colourTable(std::span<const uint8_t> dib)
{
    const std::vector<uint32_t> colours = GetDibColours(dib);
    QList<QRgb> table;
    table.reserve(static_cast<qsizetype>(colours.size()));
    for (const uint32_t colour : colours)
        table.push_back(qRgb(qRed(colour), qGreen(colour), qBlue(colour)));
    return table;
}

QImage::Format imageFormat(uint16_t bitCount)
{
    switch (bitCount) {
    case 1: return QImage::Format_Mono;
    case 4:
    case 8: return QImage::Format_Indexed8;
    case 24: return QImage::Format_BGR888;
    default: return QImage::Format_Invalid;
    }
}

void copyRow(uchar* target, const uint8_t* row, uint16_t bitCount, int32_t width, std::size_t stride,
             qsizetype bytesPerLine)
{
    if (bitCount != 4) {
        std::memcpy(target, row, std::min<std::size_t>(stride, static_cast<std::size_t>(bytesPerLine)));
        return;
    }
    DibUnpackRow(row, width, 4, target);
}

// Where the part `clipped` of `source` lands when `source` fills `dest`.
QRect mapInto(const QRect& dest, const QRect& source, const QRect& clipped)
{
    auto along = [](int64_t destStart, int64_t destLength, int64_t sourceStart, int64_t sourceLength, int64_t at) {
        return destStart + (at - sourceStart) * destLength / sourceLength;
    };
    const int64_t left = along(dest.left(), dest.width(), source.left(), source.width(), clipped.left());
    const int64_t right = along(dest.left(), dest.width(), source.left(), source.width(), clipped.left() + int64_t{clipped.width()});
    const int64_t top = along(dest.top(), dest.height(), source.top(), source.height(), clipped.top());
    const int64_t bottom = along(dest.top(), dest.height(), source.top(), source.height(), clipped.top() + int64_t{clipped.height()});
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
}

} // namespace

int MakeDibPalette(const ImageHandle& handle, QList<QRgb>& palette)
{
    if (handle.isNull() || GetDibColourCount(DibBytes(handle)) == 0)
        return 0;
    palette = colourTable(DibBytes(handle));
    return 1;
}

namespace {

// Display rows [firstRow, firstRow + rowCount) of the page as a QImage; all
// rows when rowCount is negative. A null image when the page cannot be read.
QImage dibRowsToImage(const ImageHandle& handle, int32_t firstRow, int32_t rowCount)
{
    const auto dib = DibBytes(handle);
    if (handle.isNull() || GetDibPixels(dib) == nullptr)
        return {};
    const int32_t width = GetDibWidth(dib);
    const int32_t height = GetDibHeight(dib);
    const uint16_t bitCount = GetDibBitCountField(dib);
    const QImage::Format format = imageFormat(bitCount);
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid)
        return {};
    const std::size_t stride = DibStride(width, bitCount);
    const std::size_t offset = static_cast<std::size_t>(GetDibPixels(dib) - dib.data());
    if (stride * static_cast<std::size_t>(height) > dib.size() - offset)
        return {};
    if (rowCount < 0)
        firstRow = 0, rowCount = height;

    QImage image(width, rowCount, format);
    if (image.isNull())
        return {};
    if (bitCount <= 8) {
        QList<QRgb> table = colourTable(dib);
        table.resize(qsizetype{1} << bitCount, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    const uint8_t* pixels = dib.data() + offset;
    for (int32_t y = 0; y < rowCount; ++y)
        copyRow(image.scanLine(y), pixels + static_cast<std::size_t>(height - 1 - (firstRow + y)) * stride, bitCount,
                width, stride, image.bytesPerLine());
    return image;
}

} // namespace

QImage DibToImage(const ImageHandle& handle)
{
    return dibRowsToImage(handle, 0, -1);
}

int DrawDib(QPainter& painter, const QRect& dest, const ImageHandle& handle, const QRect& source)
{
    if (handle.isNull() || dest.width() <= 0 || dest.height() <= 0 || source.width() <= 0 || source.height() <= 0)
        return 0;
    const QRect pageRect(0, 0, GetDibWidth(DibBytes(handle)), GetDibHeight(DibBytes(handle)));
    const QRect clipped = source & pageRect;
    if (clipped.isEmpty())
        return 0;
    // Only the rows to be drawn are converted: a view often shows a small
    // part of a large page.
    const QImage rows = dibRowsToImage(handle, clipped.top(), clipped.height());
    if (rows.isNull())
        return 0;
    const QRect inRows = clipped.translated(0, -clipped.top());

    if (dest.size() == source.size()) {
        painter.drawImage(dest.topLeft() + (clipped.topLeft() - source.topLeft()), rows, inRows);
        return clipped.height();
    }
    const QRect target = mapInto(dest, source, clipped);
    if (target.isEmpty())
        return 0;
    DrawStretched(painter, target, rows, inRows);
    return clipped.height();
}
