#pragma once

#include <string>

// Settings files of the "[section]" and "key=value" kind that the fax
// printer shares with the program (FaxPrint.ini in the program directory).
// Section and key names are compared without regard to ASCII letter case;
// blanks around names and values are ignored; lines that are neither are
// kept as they are.

// The value of key in section, or `otherwise` when the file, the section or
// the key is missing.
std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& otherwise);
// The value read as a number the way atoi reads it, or `otherwise` when missing.
int ReadProfileInt(const std::string& file, const std::string& section, const std::string& key, int otherwise);

// Sets key in section to value, adding the section or the key when missing
// and creating the file when there is none; the file is replaced whole. 1
// when written, 0 when the file could not be written (it is then as it was).
int WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);
