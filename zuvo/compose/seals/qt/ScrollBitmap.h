#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include "pictra/ImageHandle.h"

class QScrollBar;

// A small child window that shows a BMP file scaled into its client area,
// inside a grey frame: the seal manager's preview. Its two scroll bars are
// created hidden; while hidden they leave the picture whole.
class CScrollBitmap : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHorizontalBarId = 100;
    static constexpr int kVerticalBarId = 101;
    static constexpr int kBarWidth = 10;
    static constexpr int kInset = 3;

    explicit CScrollBitmap(QWidget* parent = nullptr);

    // Makes the two scroll bars (10 pixels wide, along the bottom and the
    // right edge), both hidden.
    void CreateScrollBars();
    // Loads a BMP file in place of the bitmap shown before: 1, or 0 (an
    // empty frame) when the file cannot be read or is not a BMP.
    int LoadBitmap(const QString& path);
    bool IsLoaded() const { return !bitmap_.isNull(); }
    // The loaded bitmap's size in pixels; empty when none is loaded.
    QSize BitmapSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetScrollRanges();

    ImageHandle bitmap_;
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
};
