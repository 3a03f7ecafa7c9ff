#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "spindle/VMutex.h"

// A FilePack keeps many files in two: a catalogue {base}.index and a
// contents file {base}.dat. The folder tree backs up and restores an account
// with it, and exports and imports a mailbox folder.
//
// The index, little-endian, without padding; every field is a u32 length
// followed by that many bytes, texts without a terminating zero, integers as
// the length 4 and their 4 bytes:
//   version text ("1.0.0"), vendor text ("zuvo.local"), item count;
//   then per item: name, valid flag (1), offset in the .dat, length.
// A text of length 0 reads as "", an integer of length 0 as 0. The .dat holds
// the items' bytes back to back. Offsets and lengths are 32-bit, so a pack
// holds at most 4 GiB.
//
// Item names are relative paths. They are written with "\" between their
// parts and in GBK, as packs made by the program on other systems have them,
// and read with "\" or "/"; in memory they are UTF-8 with "\".
//
// An archive is outside input: Open checks every count, length and offset of
// the index before it uses one, and extraction writes only below the
// directory it is given (see ExtractTree).
//
// Results: 1 for success, 0 for failure; a failed operation leaves the files
// as they were at the failing step and the pack's items as on disk. The pack
// shows no message; it logs.
//
// Threads: every operation holds the pack's re-entrant mutex.

class FilePackHead {
public:
    virtual ~FilePackHead() = default;

    std::string version;
    std::string vendor;
    int32_t count = 0;
};

class FileItem {
public:
    virtual ~FileItem() = default;

    std::string name;    // UTF-8, parts separated by "\"
    int32_t valid = 0;   // 1 once the bytes are stored
    uint32_t offset = 0; // of the bytes in the .dat
    uint32_t length = 0;
};

class FilePack {
public:
    static constexpr const char* kVersion = "1.0.0";
    static constexpr const char* kVendor = "zuvo.local";
    // Longest item name (or head text) an index may hold, in bytes.
    static constexpr uint32_t kMaxNameBytes = 4096;

    FilePack() = default;
    virtual ~FilePack();
    FilePack(const FilePack&) = delete;
    FilePack& operator=(const FilePack&) = delete;

    void SetIndexPath(const std::string& path);
    void SetDataPath(const std::string& path);

    // Reads the index into the pack. A missing index file is created with an
    // empty head (version, vendor, count 0: 31 bytes). 0 when the index path
    // is empty, the file cannot be created or read, or the index is not sound:
    // a negative count or one the file cannot hold, a name over
    // kMaxNameBytes, an integer whose length field is neither 4 nor 0, a field
    // cut off by the end of the file, or an item whose bytes would reach past
    // the end of the .dat. Logs the head and every item.
    int Open();
    // Rewrites the whole index (crash-safe) from the pack's items.
    int WriteIndex();

    // Stores the file at sourcePath as itemName ("/" is taken for "\"). An
    // item of that name (found exactly; "account.xml" and "path.info" in any
    // letter case) keeps its place in the list, and its old place in the .dat
    // when the new bytes fit there; otherwise the bytes go at the end of the
    // .dat. 0 when the source is empty, missing, not a regular file or
    // unreadable, is one of the pack's own files, the name has no GBK form or
    // is too long, the .dat cannot be opened, or the .dat would pass 4 GiB.
    int AddFile(const std::string& itemName, const std::string& sourcePath);
    // Adds every regular file below directory as {prefix}\{relative path},
    // in name order, with the index written once at the end. Follows no
    // symbolic link and skips the pack's own files and everything that is
    // not a regular file or a directory. A missing directory adds nothing
    // and succeeds. 0 when a directory cannot be read or a file cannot be
    // added (the files added before it stay in the pack).
    int AddDirectory(const std::string& prefix, const std::string& directory);

    // Writes the item's bytes to targetPath (crash-safe: the target is
    // replaced only by the complete copy). 0 when the item is missing, a file
    // cannot be opened or the .dat ends before the item's last byte.
    int ExtractFile(const std::string& itemName, const std::string& targetPath);
    // Extracts every item to {directory}/{item name}; 0 when the pack has no
    // items or one of them fails (see ExtractTree).
    int ExtractAll(const std::string& directory);

    // Whether an existing target is replaced by ExtractTree.
    enum class Existing { Replace, Keep };
    // Extracts every item whose name lies below prefix (its parts after
    // prefix's; prefix "" takes every item) to {directory}/{rest}, making the
    // subdirectories it needs inside directory. The names of all those items
    // are checked first: one that is absolute, holds a drive letter or ":",
    // "..", an empty part or NUL, or names nothing but "." fails the whole
    // operation before anything is written. With Existing::Keep a target
    // that exists is left alone. 1 when every item was extracted (or kept),
    // also when none lies below prefix.
    int ExtractTree(const std::string& prefix, const std::string& directory, Existing existing);

    // Copies of the head and the items, in catalogue order.
    FilePackHead Head() const;
    std::vector<FileItem> Items() const;
    // The item of that name (as AddFile finds it), or nothing.
    std::unique_ptr<FileItem> Find(const std::string& itemName) const;

private:
    FileItem* find(const std::string& name) const;
    // Copies one file into the .dat and lists it, without writing the index.
    int addFile(const std::string& itemName, const std::string& sourcePath, bool followLinks);
    int addTree(const std::string& prefix, const std::string& directory);
    // Syncs the .dat and writes the index; when that fails the items go back
    // to `before` (what the index on disk still lists) and the result is 0.
    int commit(std::vector<FileItem> before, int result);
    bool syncData();
    bool isOwnFile(dev_t device, ino_t inode) const;
    int extract(const FileItem& item, const std::string& targetPath);

    mutable Spindle::VMutex mutex_;
    FilePackHead head_;                           // under mutex_
    std::vector<std::unique_ptr<FileItem>> items_; // under mutex_
    std::string indexPath_;
    std::string dataPath_;
};

// The relative path an item name stands for, with "/" between its parts and
// "." parts left out; "" when the name is absolute, holds a drive letter or
// ":", "..", an empty part or NUL, or is nothing but "." parts.
std::string ItemRelativePath(const std::string& itemName);
// The name with every "/" turned into "\".
std::string ItemName(const std::string& name);
