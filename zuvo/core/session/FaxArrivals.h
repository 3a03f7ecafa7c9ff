#pragma once

// The faxes of this run of the program: those held on their way in (queued,
// being fetched or being stored) and those filed. The server may list a fax
// and announce it ("faxreceived") while it is fetched, announce it again and
// again, and send a fax reply ("faxreply-accept", "faxreply-reject") many
// times; every one of them comes through a claim here, so that one fax is
// queued, fetched and filed once per run, and each fax reply makes one
// record. A later announcement of a fax that is held or was filed in this
// run is dropped with a log line.
//
// A fax is known by its "faxid"; a fax reply by its event name and "faxid"
// (the acceptance and the rejection of one fax are two records). An event
// without a "faxid" is never recognised again: it is always taken.
//
// What is known is shared by the whole process: the main window's session
// and the receive dialog each claim through holders of their own (one per
// download queue), and neither takes a fax the other holds or filed. The run
// lasts while any holder exists; the program's main window keeps one from
// its start to its end. Once the last holder is gone, everything is
// forgotten.
//
// Threads: any; every call takes one lock of the process, held over nothing
// else.

#include <functional>
#include <string>

#include "corlane/Event.h"

class FaxArrivals {
public:
    FaxArrivals();
    // Gives up whatever this holder still holds (filed faxes stay known).
    ~FaxArrivals();
    FaxArrivals(const FaxArrivals&) = delete;
    FaxArrivals& operator=(const FaxArrivals&) = delete;

    // What an event is known by; "" when it names no fax.
    static std::string KeyOf(CRL::Event& event);

    // Takes the event's fax for this holder: true. False, with a log line,
    // when a holder (this one too) holds it or it was filed in this run.
    bool Claim(CRL::Event& event);
    // The fax was not stored: it may come again.
    void Release(CRL::Event& event);
    // The fax was filed: it is held by nobody, and known for the rest of the run.
    void Filed(CRL::Event& event);
    // Releases every fax this holder holds.
    void ReleaseAll();

    // A fax that needs no download (a receipt, a report, a fax reply),
    // stored once per run: `store` runs only when the fax can be claimed,
    // and the fax is known as filed when it returns true.
    enum class Stored { Dropped, Failed, Done };
    Stored StoreOnce(CRL::Event& event, const std::function<bool()>& store);
};
