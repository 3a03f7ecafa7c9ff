#pragma once
// The number of pages of a page file, as the fax records store it.

#include <string>

// The pages that the image library loads from the file, at most 100; 0 when
// the file cannot be opened.
int CountImagePages(const std::string& path);
