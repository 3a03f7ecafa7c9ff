#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/SessionSources.h"
#include "corlane/Event.h"

// Turns a server item (a received fax, a receipt, a report) into a fax
// record in the default account's mailbox that the item's kind selects:
// the record in account.xml, its body file and a copy of each page file
// named {File}.{CreateTime}, all in that folder's directory.
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

    // Writes the record. The item's page files are taken from fetchedDir
    // (where the download pump put them), or from the chosen folder's own
    // directory when fetchedDir is empty. A folder Type the account lacks
    // falls back to the failedbox. Returns the Type written, "" when nothing
    // was stored.
    std::string addInBox(CRL::Event& item, const std::string& fetchedDir = "");

private:
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
