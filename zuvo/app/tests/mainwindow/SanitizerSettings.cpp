// The sanitizer settings of the program's Qt side, for this test program.
#include "core/qt/SanitizerDefaults.h"
