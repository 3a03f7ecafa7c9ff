#pragma once

#include <string>

// Seal images and print files are kept lightly scrambled on disk: the first
// kilobyte is XORed with a fixed 7-byte key. The operation is its own
// inverse, so the same call scrambles and unscrambles, in place.
//
// Returns 1 when the region was rewritten (an empty file counts), 0 when the
// file cannot be opened for reading and writing or a read or write falls
// short. A missing file is never created.
int ScrambleFile(const std::string& path);
