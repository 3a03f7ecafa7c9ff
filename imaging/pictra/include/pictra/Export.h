#pragma once
// Marks what Pictra exports: the library is built with hidden visibility, so
// only the names declared with PICTRA_API are seen from outside it.

#define PICTRA_API __attribute__((visibility("default")))
