#pragma once

#include <QApplication>

// The wait cursor over the whole application for as long as the object
// lives: a long command shows it, and its absence comes back however the
// command ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
