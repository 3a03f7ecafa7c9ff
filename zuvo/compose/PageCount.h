#pragma once
// The number of pages of a page file, as the fax records store it, and
// whether a file may become a fax's page file at all.

#include <optional>
#include <string>

// The pages that the image library loads from the file, at most 100; 0 when
// the file cannot be opened.
int CountImagePages(const std::string& path);

// Why a file cannot become an attachment, or nothing when it can: the image
// library's text when it does not open as an image file ("Unknown or wrong
// format" for random bytes or an empty file), or a text saying so when it
// has more than 100 pages, the most a fax's page file has. A TIFF file's
// pages are counted without decoding them.
std::optional<std::string> RefusedPageFile(const std::string& path);
