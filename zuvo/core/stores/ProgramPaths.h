#pragma once

#include <functional>
#include <string>
#include <string_view>

// The program directory and the one set of path rules of the program.
// Paths are POSIX; names taken from stored files, archives, the server or a
// user pass IsSafeName before they are joined into a path.

// $ZUVO_HOME when set and not empty, else the directory of the executable.
// Read on every call, so that tests can point it elsewhere. A relative
// $ZUVO_HOME is taken from the current directory when that value is first
// seen, and stays the same directory when the current one changes later.
std::string ProgramDirectory();

// A path is absolute when it starts with "/".
bool IsAbsolutePath(std::string_view path);

// dir + "/" + name, without doubling a "/" at the end of dir; an empty dir
// gives name, an absolute name is returned unchanged.
std::string JoinPath(std::string_view dir, std::string_view name);

// path made absolute: unchanged when absolute, else joined to the program
// directory (an empty path gives "").
std::string AbsoluteToProgram(std::string_view path);

// The part after the last "/", "\" or ":"; "" when the path ends in one.
std::string LastPathComponent(std::string_view path);

// One path component that may safely be joined to a directory: not empty,
// not "." or "..", and without "/", "\", ":" or NUL.
bool IsSafeName(std::string_view name);

// The longest name of one file that the file systems take, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The name cut to at most maxBytes bytes, never inside a UTF-8 character;
// an extension (the last "." and at most 16 bytes after it) is kept when at
// least one character of the name before it stays.
std::string ShortenName(std::string_view name, std::size_t maxBytes);

// The first of name, "{stem}-1{ext}", "{stem}-2{ext}", ... for which
// taken() is false, where ext is the name's extension as ShortenName keeps
// it (else "") and the stem is cut so that the whole takes at most maxBytes;
// "" when the first 100000 are all taken.
std::string FirstFreeName(std::string_view name, std::size_t maxBytes,
                          const std::function<bool(const std::string&)>& taken);

// A relative path of one or more safe names separated by "/" (so it stays
// below the directory it is joined to).
bool IsSafeRelativePath(std::string_view path);
