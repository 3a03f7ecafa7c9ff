#pragma once

#include <string>
#include <string_view>

// The program directory and the one set of path rules of the program.
// Paths are POSIX; names taken from stored files, archives, the server or a
// user pass IsSafeName before they are joined into a path.

// The program directory holds the stores (config.xml, account.xml,
// address.xml, sms.xml, seal.xml), the log and LogIt.txt. It is, in order:
//  1. $ZUVO_HOME when set and not empty;
//  2. the executable's directory when it holds config.xml (the demo's
//     program, a portable copy that carries its files);
//  3. $XDG_DATA_HOME/zuvo, where an unset, empty or relative
//     $XDG_DATA_HOME means XDG's default ~/.local/share (an installed
//     program, whose own directory is no place for a user's files).
// Read on every call, so that tests can point it elsewhere. A relative
// $ZUVO_HOME is taken from the current directory when that value is first
// seen, and stays the same directory when the current one changes later.
// The directory is not created here: zuvo-setup-home makes it from the
// service's config.xml and account.xml, which the program never creates.
std::string ProgramDirectory();

// The choice of ProgramDirectory over given values: zuvoHome, xdgDataHome
// and home as the environment holds them (null when unset), and the
// directory of the executable.
std::string ChooseProgramDirectory(const char* zuvoHome, const std::string& executableDirectory,
                                   const char* xdgDataHome, const char* home);

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

// A relative path of one or more safe names separated by "/" (so it stays
// below the directory it is joined to).
bool IsSafeRelativePath(std::string_view path);
