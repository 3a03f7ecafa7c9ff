#pragma once

// The program's logic tests reach the shared test support through their
// own namespace, which their fixtures extend.
#include "testsupport/TestSupport.h"

namespace testfiles {
using namespace testsupport;
} // namespace testfiles
