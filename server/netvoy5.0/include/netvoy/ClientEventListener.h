#pragma once

#include "corlane/Event.h"

// What a party that wants to hear from the agent client implements. Calls
// come on the client's worker thread (onDisconnect also on the thread that
// ends the connection) with the client's listener lock held. The event is the
// client's and is gone when the call returns: copy what you keep. The client
// ignores the results.
class ClientEventListener {
public:
    virtual ~ClientEventListener() = default;
    // The connection to the server ended; once per connection.
    virtual int onDisconnect() = 0;
    // An event arrived from the server, or a file transfer ended.
    virtual int onReceive(CRL::Event* event) = 0;
    // A file-transfer step went out.
    virtual int onProcess(CRL::Event* event) = 0;
};
