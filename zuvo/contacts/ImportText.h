#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/AddressBookConfig.h"

// Text files that the address book imports: files from outside, read as
// hostile input. A file is opened read-only and must be a regular file (no
// directory, device or pipe). Its text is decoded as UTF-16 or UTF-8 when it
// starts with their byte-order mark; as UTF-8 when the whole file is valid
// UTF-8 and reads plainly as text that way (only ASCII; or its two-byte
// characters are accented Latin letters in words with ASCII letters, or
// middle dots between Chinese characters; GBK's bytes of many Chinese
// characters are valid UTF-8 of Cyrillic, Greek or Latin characters standing
// alone); and as GBK (GB18030) otherwise. NULs, the other control characters XML cannot hold and
// byte sequences that are no character are dropped. A file whose first
// 64 KiB are more than one part in sixteen such characters (and at least
// eight) is binary and refused. The file is streamed: memory stays small whatever its size.
//
// Byte limits count the bytes a text takes as GBK, the encoding address.xml
// is written in, and a cut never splits a character.

// What reading a file gave.
enum class ImportTextStatus {
    Read,       // the cards are in `cards` (possibly none)
    Unopenable, // missing, not a regular file, or unreadable
    Binary,     // not text
    TooMany,    // more cards than the import takes; nothing is imported
    ReadError,  // the file could not be read to its end
};

struct ImportedCards {
    ImportTextStatus status = ImportTextStatus::Read;
    std::vector<AddressCard> cards;
};

// The most cards one import adds: a larger file is refused whole, so that a
// hostile file cannot grow the book (and the memory of every window holding
// it) without bound.
inline constexpr std::size_t kMaxImportCards = 20000;

// Fax numbers separated by "|", ";", ",", CR or LF; empty tokens are
// skipped, each token keeps its first 47 bytes. Each card has the number as
// Name, FaxNum, FirstName, HomeFaxNum, CompanyName and CompanyFaxNum.
ImportedCards ReadNumberList(const std::string& path, std::size_t maxCards = kMaxImportCards);

// Lines of a number, a separator ("|", ";", ",", blank or tab), optional
// blanks and tabs, and a name. A line keeps its first 1023 bytes and the
// rest of it is skipped; a line shorter than 8 bytes with its line end, or
// without a separator, or with an empty number, makes no card. Number and
// name keep 255 bytes each. A card has the name as Name, FirstName and
// CompanyName, the number as FaxNum, HomeFaxNum and CompanyFaxNum. Lines
// end at LF, CR LF or a lone CR.
ImportedCards ReadNumberAndNameLines(const std::string& path, std::size_t maxCards = kMaxImportCards);

// The number of bytes a UTF-8 text takes as GBK (a character without a GBK
// code counts as the one byte "?" it would be written as).
std::size_t GbkByteCount(std::string_view utf8);

// Appends characters of `utf8` to `kept` while its GBK size stays within
// `limit` bytes; `keptBytes` is that size. Returns false once a character no
// longer fit (nothing after it is appended either).
bool AppendWithinGbkLimit(std::string& kept, std::size_t& keptBytes, std::string_view utf8, std::size_t limit);
