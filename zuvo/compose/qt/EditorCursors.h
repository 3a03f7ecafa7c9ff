#pragma once
// The page editor's own cursors, drawn here: the crop cursor (a cross hair
// inside two crop marks), the hand for dragging the page and the text
// cursor (an I-beam). Each is 32 x 32, black with a white outline so that
// it shows on black and on white pages.

#include <QCursor>

QCursor CropCursor();
QCursor HandCursor();
QCursor TextCursor();
