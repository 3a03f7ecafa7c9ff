#include "faxbox/qt/DibScaling.h"

#include <algorithm>
#include <vector>

#include <QPainter>

#include "pictra/DibRows.h"

namespace {

// The source pixels [first, last) under each of `target` destination pixels:
// at least one, so that enlarging repeats pixels.
std::vector<std::pair<int, int>> sourceSpans(int sourceLength, int target)
{
    std::vector<std::pair<int, int>> spans(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i) {
        const int first = static_cast<int>(int64_t{i} * sourceLength / target);
        const int last = static_cast<int>(int64_t{i + 1} * sourceLength / target);
        spans[static_cast<std::size_t>(i)] = {first, std::max(last, first + 1)};
    }
    return spans;
}

// A 1-bit image scaled so that each pixel is the darker colour of the table
// wherever any pixel under it has that colour.
QImage scaleMonoKeepingDark(const QImage& image, const QSize& size)
{
    const QList<QRgb> table = image.colorTable();
    const int darkIndex = table.size() >= 2 && qGray(table[1]) < qGray(table[0]) ? 1 : 0;
    QImage scaled(size, QImage::Format_Mono);
    if (scaled.isNull())
        return scaled;
    scaled.setColorTable(table);
    scaled.fill(1 - darkIndex);

    const auto columns = sourceSpans(image.width(), size.width());
    const auto rows = sourceSpans(image.height(), size.height());
    const auto rowBytes = static_cast<std::size_t>(image.bytesPerLine());
    std::vector<uchar> combined(rowBytes);
    for (int y = 0; y < size.height(); ++y) {
        // Fold the rows under this one: a bit keeps the dark value when any row has it.
        const auto [firstRow, lastRow] = rows[static_cast<std::size_t>(y)];
        const uchar* first = image.constScanLine(firstRow);
        std::copy(first, first + rowBytes, combined.begin());
        for (int r = firstRow + 1; r < lastRow; ++r) {
            const uchar* row = image.constScanLine(r);
            for (std::size_t i = 0; i < rowBytes; ++i)
                combined[i] = darkIndex == 0 ? (combined[i] & row[i]) : (combined[i] | row[i]);
        }
        for (int x = 0; x < size.width(); ++x) {
            const auto [firstColumn, lastColumn] = columns[static_cast<std::size_t>(x)];
            for (int c = firstColumn; c < lastColumn; ++c)
                if ((DibRowBit(combined.data(), c) != 0) == (darkIndex == 1)) {
                    scaled.setPixel(x, y, static_cast<uint>(darkIndex));
                    break;
                }
        }
    }
    return scaled;
}

} // namespace

QImage ScalePageImage(const QImage& image, const QSize& size)
{
    if (image.format() == QImage::Format_Mono)
        return scaleMonoKeepingDark(image, size);
    const bool shrinking = size.width() < image.width() || size.height() < image.height();
    return image.scaled(size, Qt::IgnoreAspectRatio, shrinking ? Qt::SmoothTransformation : Qt::FastTransformation);
}

void DrawStretched(QPainter& painter, const QRect& target, const QImage& image, const QRect& source)
{
    const bool enlarging = target.width() >= source.width() && target.height() >= source.height();
    if (enlarging) {
        // Qt repeats pixels itself and draws only what the painter can show,
        // however large the target.
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image, source);
        painter.restore();
        return;
    }
    painter.drawImage(target.topLeft(), ScalePageImage(image.copy(source), target.size()));
}
