// This test program makes main windows, whose browser pane needs the
// embedded browser prepared before the application object exists.
#include "core/qt/tests/BrowserTestEnvironment.h"
