#pragma once
// Joins single-page TIFF files into one multi-page TIFF, so that a long fax
// is encoded one page at a time and never sits in memory decoded as a whole.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictra {

// The pages' directories chained in order, every offset moved with its data
// and the page numbers rewritten. Nothing when a page is not a classic
// single-directory TIFF of the first page's byte order, or uses sub-directories.
std::optional<std::vector<uint8_t>> joinTiffPages(std::span<const std::vector<uint8_t>> pages);

} // namespace pictra
