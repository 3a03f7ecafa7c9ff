#pragma once
// Marks what Pixmend exports: the library is built with hidden visibility,
// so only the names declared with PIXMEND_API are seen from outside it.

#define PIXMEND_API __attribute__((visibility("default")))
