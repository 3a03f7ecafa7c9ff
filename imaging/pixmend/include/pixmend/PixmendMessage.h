#pragma once
// The few messages that Pixmend shows itself go through one replaceable
// handler, so that the program can show them in a window and tests can
// collect them. Without a handler they are written to standard error.

#include <functional>
#include <string>

#include "pixmend/Export.h"

using PixmendMessageHandler = std::function<void(const std::string& text)>;

// Installs `handler` (an empty one restores standard error) and returns the
// previous one. Safe to call from any thread.
PIXMEND_API PixmendMessageHandler PixmendSetMessageHandler(PixmendMessageHandler handler);

// Shows `text` (UTF-8) through the current handler.
PIXMEND_API void PixmendShowMessage(const std::string& text);
