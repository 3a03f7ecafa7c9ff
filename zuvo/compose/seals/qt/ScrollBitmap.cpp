#include "compose/seals/qt/ScrollBitmap.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "faxbox/qt/DibHelpers.h"
#include "pictra/Pictra.h"

CScrollBitmap::CScrollBitmap(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("1180"));
    setAccessibleName(QStringLiteral("预览"));
    setMinimumSize(120, 80);
}

void CScrollBitmap::CreateScrollBars()
{
    if (horizontal_)
        return;
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setObjectName(QString::number(kHorizontalBarId));
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setObjectName(QString::number(kVerticalBarId));
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
    }
    horizontal_->setGeometry(0, height() - kBarWidth, width() - kBarWidth, kBarWidth);
    vertical_->setGeometry(width() - kBarWidth, 0, kBarWidth, height() - kBarWidth);
}

QSize CScrollBitmap::BitmapSize() const
{
    return IsLoaded() ? QSize(bitmap_.width(), bitmap_.height()) : QSize();
}

int CScrollBitmap::LoadBitmap(const QString& path)
{
    bitmap_ = ImageHandle();
    ImgFileInfo info;
    ImageHandle page;
    if (!path.isEmpty() && PtxOpenImageFile(path.toStdString(), &info, std::span<ImageHandle>(&page, 1)) == 1 &&
        info.format == PtxFormat::Bmp)
        bitmap_ = std::move(page);
    SetScrollRanges();
    update();
    return IsLoaded() ? 1 : 0;
}

void CScrollBitmap::SetScrollRanges()
{
    // From 0 to the part of the bitmap beyond the client area; the bars
    // start at 0 with every new bitmap.
    const QSize size = BitmapSize();
    for (auto [bar, extra] : {std::pair{horizontal_, size.width() - width()}, std::pair{vertical_, size.height() - height()}}) {
        if (!bar)
            continue;
        bar->setRange(0, std::max(0, extra));
        bar->setValue(0);
    }
}

void CScrollBitmap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!IsLoaded())
        return;
    const int x = horizontal_ ? horizontal_->value() : 0;
    const int y = vertical_ ? vertical_->value() : 0;
    const QRect source(x, y, bitmap_.width(), bitmap_.height());
    DrawDib(painter, rect().adjusted(kInset, kInset, -kInset, -kInset), bitmap_, source);
}
