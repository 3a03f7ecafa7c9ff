#pragma once

#include <string>

#include "contacts/AddressBookDocument.h"

// The three imports of the address-book window into one folder, each
// ending in one result: the cards read from the file are added with one
// save, or nothing changes.
enum class ImportKind {
    NumberList,    // fax numbers separated by "|", ";", ",", CR or LF
    NumberAndName, // lines of a number and a name
    AddressBook,   // the cards of every folder of another address-book file
};

// True when the file was read and its cards (possibly none) are in the
// folder; false when the file cannot be opened or read, is no text (or no
// address book), holds too many cards, the folder is gone or the save
// failed (each logged).
bool ImportIntoFolder(AddressBookDocument& document, const FolderRef& folder, ImportKind kind,
                      const std::string& path);
