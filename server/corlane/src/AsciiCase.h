#pragma once

namespace CRL {

// Equality of two strings ignoring the case of ASCII letters only; other
// bytes compare as they are.
inline bool equalsIgnoringAsciiCase(const char* a, const char* b)
{
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b)))
            return false;
        if (*a == '\0')
            return true;
    }
}

} // namespace CRL
