#pragma once

// Whole files written so that a crash or a failed write never leaves a
// half-written one under the target's name, through the crash-safe writer
// of safefile/SafeFile.h: the bytes go to a new file beside the target
// (mode 0666 less the umask), are synced, and only then take the target's
// name; the reason a file was not written is logged.

#include <string>
#include <string_view>

// Creates path with bytes. Never replaces an existing file: 0 when path
// exists or any step fails (the reason logged), 1 when written.
int CreateFileWithBytes(const std::string& path, std::string_view bytes);

// The same, telling a name that is taken (NameTaken) from a failed write,
// for callers that then try another name. Nothing is logged.
enum class Created { Yes, NameTaken, Failed };
Created CreateNewFile(const std::string& path, std::string_view bytes);

// Writes bytes as path, replacing the file there, and syncs the directory.
// 0 when any step fails (the old file, if any, is then as it was), 1 when written.
int ReplaceFileWithBytes(const std::string& path, std::string_view bytes);
