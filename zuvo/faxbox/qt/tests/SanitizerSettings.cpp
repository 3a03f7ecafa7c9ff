// The sanitizer settings of the program's Qt side, for this test program.
#include "core/qt/SanitizerDefaults.h"

// The main window's browser pane is made by the document panes' test.
#include "core/qt/tests/BrowserTestEnvironment.h"
