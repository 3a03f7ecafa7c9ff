// What the embedded browser needs of the Qt test program before its
// application object exists, and what the sanitizer build must know of it.

// The browser's settings, made before the first test.
#include "core/qt/tests/BrowserTestEnvironment.h"

// The sanitizer settings the program itself uses (defined once, here).
#include "core/qt/SanitizerDefaults.h"
