#include "netvoy/Client.h"

// File transfer is not served yet: replies are ignored and no task exists.

int Client::nc_HRMsuUsr()
{
    return 1;
}

bool Client::hasReadyFileTask() const
{
    return false;
}

int Client::handleFileServiceTasks()
{
    return 0;
}

void Client::onConnectionLost() {}
