#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "cfgtree/Config.h"
#include "contacts/AddressBookConfig.h"
#include "contacts/FileStamp.h"

// address.xml as one address-book window works on it, without widgets.
//
// Several windows (and the recipient picker, and the store singleton) hold
// the file at once. So every change here takes the one lock of all
// address-book documents of the process, reloads the file, checks that what
// the window showed is still there, changes the document and saves it, and
// only then lets go: no window writes back a copy older than the file. What
// the window showed is named by position and checked by content: a folder
// by its book and folder index and both names, a card by its index in the
// folder and a fingerprint of its 34 values. A change whose target moved
// meanwhile is refused with Moved (the window then reads again).

// The lock held over every reload-change-save of an address-book document.
std::mutex& AddressBookFileLock();

// One book of the tree with its folders' names, in document order. The
// SMS templates use the same shape.
struct BookEntry {
    std::string name;
    std::vector<std::string> folders;
};

// Every AddressBook and Folder of an open document (empty when not open).
std::vector<BookEntry> ReadBookTree(Config& document);

// A folder as the tree shows it.
struct FolderRef {
    int book = -1;
    int folder = -1;
    std::string bookName;
    std::string folderName;

    // "AddressBook[%d]/Folder[%d]"; "" for no folder.
    std::string Path() const;
    bool IsFolder() const { return book >= 0 && folder >= 0; }
};

// One list column: the caption and the card attribute it shows.
struct ListColumn {
    std::string caption;
    std::string key;
};

// A card as a list row knows it.
struct CardRef {
    int index = -1;
    std::uint64_t fingerprint = 0;
};

struct ContactRow {
    CardRef card;
    std::vector<std::string> cells; // one per column
};

struct FolderRows {
    std::vector<ListColumn> columns;
    std::vector<ContactRow> rows;   // in document order
};

// The attributes a card has, by the names of kAddressAttributes (a card's
// other attributes are not listed).
using StoredCard = std::map<std::string, std::string>;

enum class ChangeResult {
    Done,
    Refused, // the change itself is not allowed (an empty or taken name)
    Moved,   // the folder or card shown is no longer where it was
    Failed,  // no document, the file does not load or does not save
};

// The columns a list has at most.
inline constexpr std::size_t kMaxListColumns = 100;

class AddressBookDocument {
public:
    explicit AddressBookDocument(std::string directory);

    // Opens directory/address.xml, first writing the built-in template
    // where no file exists at all; a file that does not load is left as it
    // is. After a load the backup address-bak.xml is written. False when
    // nothing loaded.
    bool Open();
    bool IsOpen();
    // Whether Open wrote the template.
    bool CreatedFile() const { return createdFile_; }
    const std::string& Directory() const { return directory_; }

    // Each of these reads the file again first.
    std::vector<BookEntry> Books();
    // False (rows empty) when the folder is not there any more.
    bool ReadFolder(const FolderRef& folder, FolderRows& rows);
    // The card's attributes; Moved when it is not the card the row showed.
    ChangeResult ReadCard(const FolderRef& folder, const CardRef& card, StoredCard& stored);

    // A new folder in the book (index and name as the tree shows it);
    // Refused for an empty name or one the book has, letter case aside.
    ChangeResult AddFolder(int book, const std::string& bookName, const std::string& name);
    // Refused for an empty name or one another folder of the book has; a
    // name that differs only in letter case from the old is Done unchanged.
    ChangeResult RenameFolder(const FolderRef& folder, const std::string& name);
    // Removes the folder with all its cards.
    ChangeResult DeleteFolder(const FolderRef& folder);

    // Appends a card with all 34 attributes; Failed when it cannot be
    // added or saved (the file is then as it was).
    ChangeResult AddCard(const FolderRef& folder, const AddressCard& card);
    // Writes the typed values onto the card: an attribute the card has gets
    // its value, one it lacks is added when the value is not empty.
    ChangeResult EditCard(const FolderRef& folder, const CardRef& card, const AddressCard& typed);
    // Removes the cards, all or none (Moved when any is not the one shown),
    // with one save.
    ChangeResult DeleteCards(const FolderRef& folder, const std::vector<CardRef>& cards);
    // Appends every card with all 34 attributes, with one save; nothing is
    // added when any card cannot be.
    ChangeResult AppendCards(const FolderRef& folder, const std::vector<AddressCard>& cards);

    // Writes the whole address book, as the file holds it now, to path.
    bool ExportTo(const std::string& path);

private:
    // Under the lock: reloads, runs `change`, saves when it gives Done (and
    // reverts to the file when the save fails).
    template <typename Change>
    ChangeResult change(Change&& change);
    // Under the lock: reads the file again unless it is the version the
    // document holds; false when it does not load.
    bool reloadLocked();
    // Under the lock: back to what the file holds, after a change that
    // was not saved (the next read parses again when that fails too).
    void revertLocked();
    bool folderIsThere(const FolderRef& folder);
    bool cardIsThere(const FolderRef& folder, const CardRef& card);

    Config document_;
    std::string directory_;
    std::string path_;
    std::optional<FileStamp> loaded_; // the file version the document holds, under the lock
    bool createdFile_ = false;
};

// The fingerprint of a card's 34 values (in kAddressAttributes order).
std::uint64_t CardFingerprint(const std::vector<std::string>& values);

// The cards of every folder of every book of another address-book file, in
// document order, each with the 34 attributes; false when the file does not
// load or holds more than maxCards cards.
bool ReadAddressBookFileCards(const std::string& path, std::vector<AddressCard>& cards, std::size_t maxCards);
