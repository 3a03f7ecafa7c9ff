#pragma once

#include <string>

// The folder tree's four pack operations over the account store: back up and
// restore the whole account (account.xml and the account's data directory),
// export and import one mailbox folder (account.xml, "path.info" and the
// folder's directory). Each pack is {base}.index and {base}.dat (FilePack).
namespace MailboxArchive {

enum class Result {
    Success,
    Failed,
    WrongFolder, // the pack is not an export of the folder it is imported into
    BadIndex,    // the pack's account.xml does not load
};

// The base name of the pack the user chose: the chosen path with one
// ".index" at its end (any case) dropped.
std::string PackBase(const std::string& chosen);
// The .dat beside an .index file: its file name cut at its last "." (when it
// has one) plus ".dat".
std::string DataPathOf(const std::string& indexFile);
// The item prefix under which a folder's files are kept: its Directory with
// "\" between parts, or only its last part when Directory is absolute.
std::string ExportPrefix(const std::string& folderDirectory);

// A new pack (an old one of that name is replaced) holding
// {program directory}/account.xml as "account.xml" and the default account's
// data directory under the prefix ".".
Result BackupAccount(const std::string& chosen);

// Takes back a backup, whole or not at all. The pack's account.xml must
// load; the restored data directory is built beside the present one (see
// DirectoryReplacement: what it holds now, with the pack's files over it)
// and must hold every file that the records of the pack's default account
// name in their folders. Only then is it put in the data directory's place,
// account.xml replaced (crash-safe) and the store reloaded; the data
// directory is then set up again (AccountConfig::PrepareDataDirectories).
// Any failure on the way (a refused index, name or account.xml, a missing
// file, a damaged pack, a full disk) leaves account.xml and every file of
// the mailbox as they were, and is logged: Failed.
Result RestoreAccount(const std::string& indexFile);

// A new pack of the folder at folderPath ("Account[i]/Folder[j]"):
// "account.xml", "path.info" (folderPath as its only line) and the folder's
// files under ExportPrefix of its Directory.
Result ExportFolder(const std::string& folderPath, const std::string& chosen);

// Takes an export of this same folder (its path.info must name folderPath,
// in any case; otherwise WrongFolder) back in: the pack's files of that
// folder go into the folder's directory, where no existing file is replaced,
// and every record of that folder in the pack's account.xml (BadIndex when
// it does not load) whose CreateTime the folder does not yet hold is added
// with its attributes and attachments; account.xml is saved once.
Result ImportFolder(const std::string& folderPath, const std::string& indexFile);

} // namespace MailboxArchive
