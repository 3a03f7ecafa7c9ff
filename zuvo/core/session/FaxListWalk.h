#pragma once

// The walk through the server's list of waiting faxes, for both that fetch
// them: the main window's session and the receive dialog. A "queryfaxlist"
// reply starts it; its user asks for one entry at a time ("queryfax" with
// the entry's fax id and type) and hands each reply back, and the walk says
// what the reply asks for. The walk keeps what one run knows of its list;
// it sends, fetches and stores nothing itself, so that both users walk a
// list alike and each does its own requests, downloads and notices.
//
// The list: a copy of the entries the reply really holds, "faxlist[i].faxid"
// with its "faxlist[i].type" for i from 0 up to the first entry without a
// fax id, and never more than the reply's "count" claims nor more than
// kMaxEntries. A count larger than the list costs nothing: only a fax that
// is listed is asked for.
//
// A "queryfax" reply (Answered):
// - "success" and "faxtype" 20, a receipt or a report without files: stored
//   at once, then acknowledged ("updatefax");
// - "success" and "faxtype" 30, 40 or 50, a fax with files: fetched first;
// - "success" with neither "faxid" nor "faxtype": the server has no more
//   faxes, the walk ends here;
// - any other result, or a type this program does not receive: the fax is
//   left on the server, unacknowledged (so the next list offers it again),
//   and the next entry is asked for. One fax the server cannot give never
//   holds up the faxes listed after it.
// Types are compared as texts; names and results without regard to case.
//
// Threads: the agent's worker starts and classifies, the pump's thread may
// ask for the next entry, the window reads the cursor: every member takes
// the walk's own lock, which is held over nothing else.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "corlane/Event.h"

class FaxListWalk {
public:
    // A list is worked through up to this many entries, whatever it holds.
    static constexpr int kMaxEntries = 10000;

    // One entry of the list: what a "queryfax" asks for.
    struct Entry {
        std::string faxId; // "faxlist[i].faxid"
        std::string type;  // "faxlist[i].type"
    };

    // What a "queryfax" reply asks of the walk's user (see above).
    enum class Reply {
        StoreNow,
        Fetch,
        EndOfList,
        LeaveOnServer,
    };

    // A "queryfaxlist" reply with result "success": its entries replace the
    // list, the cursor goes to 0. Logs the count it claims, and how many
    // are asked for when that is fewer.
    void Start(CRL::Event& listReply);
    // Whether a list has arrived.
    bool Started() const;

    // The entry to ask for next, the cursor moved past it; nothing at the
    // end of the list (or before one arrived).
    std::optional<Entry> Next();
    // Whether every entry has been asked for (true before a list arrived).
    bool AtEnd() const;

    // A reply to the "queryfax" of the entry asked for last: what to do
    // with its fax. A reply that ends the list ends the walk. Logs why a
    // fax is left on the server, naming the fax by the reply's "faxid" or,
    // when it carries none, by the fax id asked for.
    Reply Answered(CRL::Event& reply);

    // Entries asked for so far, and entries in the list; both -1 until a
    // list arrives.
    int Index() const;
    int Count() const;

private:
    mutable std::mutex lock_;
    std::vector<Entry> entries_; // under lock_
    int index_ = -1;             // under lock_
    int count_ = -1;             // under lock_
    std::string askedFaxId_;     // under lock_
};
