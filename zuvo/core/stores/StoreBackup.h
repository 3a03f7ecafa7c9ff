#pragma once

// Stores kept beside a backup of themselves (seal.xml and seal-bak.xml,
// address.xml and address-bak.xml): the backup is the user's last copy
// that loaded, so a store that has gone missing is given back from it
// rather than made afresh and saved over it.

#include <string>

// When no file is at storePath and the file at backupPath loads as an XML
// store, writes the backup's bytes as storePath (crash-safe, never over a
// file made meanwhile) and logs it: true then. False, with nothing
// written, when the store exists, the backup is missing, too large or does
// not load, or the copy cannot be written (logged).
bool RestoreMissingFromBackup(const std::string& storePath, const std::string& backupPath);
