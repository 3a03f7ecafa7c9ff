#pragma once

#include <string_view>

// Writes all the bytes to the file descriptor, going on after partial writes
// and interruptions. False on the first error (errno tells which).
bool WriteAll(int fd, std::string_view bytes);
