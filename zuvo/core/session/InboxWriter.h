#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/session/SessionSources.h"
#include "corlane/Event.h"

// Turns a server item (a received fax, a receipt, a report) into a fax
// record in the default account's mailbox that the item's kind selects:
// the record in account.xml, its body file and a copy of each page file
// named {File}.{CreateTime}, all in that folder's directory.
//
// A record is written whole or not at all: the page files and the body go
// in first, each under a name that nothing in the folder has (a name taken
// meanwhile moves the record to the next free second), the record last; a
// step that fails removes what this record wrote, and the item counts as
// not stored (so it is not acknowledged and stays on the server).
class InboxWriter {
public:
    // Pages of an image file (0 when it cannot be read).
    using PageCounter = std::function<int(const std::string& path)>;
    struct Contact {
        std::string name;
        std::string company;
    };
    // The address book's contact for a fax number (empty texts when none).
    using ContactLookup = std::function<Contact(const std::string& faxNumber)>;
    // The local time of a new record (seconds since 1970).
    using Clock = std::function<std::time_t()>;

    InboxWriter(SessionAccount& account, PageCounter pages, ContactLookup contacts = {},
                Clock clock = {});

    // The folder Type the item belongs in: "faxbox" for a received fax
    // (event "faxreceived" or "filetransfered", or faxtype 30 or 50), else
    // "inbox" for a receipt ("sendfaxflag" not 0), else "deposebox" for an
    // invalid fax ("invalidatefax" not 0), else "failedbox".
    static std::string MailboxFor(CRL::Event& item);

    // Writes the record. A downloaded item brings its files: stagedFiles[i]
    // holds attachment i, stored as the File that "attachfile[i].name" gives
    // (the server's "attachfile.items[i].filename" when that is empty).
    // Without staged files the attachments are looked up by name in the
    // chosen folder's own directory (items stored as they arrive); a name
    // that cannot be a file there, or names no file there, is left out (a
    // record whose every attachment is missing has Pages 0). Two attachments of one name
    // are told apart by " (2)", " (3)"... before the extension. The body is
    // written in the bytes the server sent it in (GBK). A folder Type the
    // account lacks falls back to the failedbox. Returns the Type written,
    // "" when nothing was stored.
    std::string addInBox(CRL::Event& item, const std::vector<std::string>& stagedFiles = {});

private:
    struct Page {
        std::string file;   // the record's File
        std::string source; // where its bytes are
    };
    enum class Written { Yes, NameTaken, Failed };

    // The item's pages, or nothing when a downloaded file is missing.
    std::optional<std::vector<Page>> Pages(CRL::Event& item, const std::string& directory,
                                           const std::vector<std::string>& stagedFiles);
    // One attempt at the record at time `now`.
    Written WriteRecord(CRL::Event& item, const std::string& type, const std::string& directory,
                        const std::vector<Page>& pages, std::time_t now);
    // The record's time: the clock's, but later than the last record made
    // in the same directory by this process and free in the folder, so that
    // CreateTime and the file names never repeat.
    std::time_t RecordTime(const std::string& type, const std::string& directory,
                           const std::vector<std::string>& files);

    SessionAccount& account_;
    PageCounter pages_;
    ContactLookup contacts_;
    Clock clock_;
};
