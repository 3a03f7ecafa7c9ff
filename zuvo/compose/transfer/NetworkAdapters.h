#pragma once

#include <string>

// The machine's Ethernet adapters as the "sendfax" request names them: the
// hardware address of each ("%02X-%02X-%02X-%02X-%02X-%02X") and its first
// IPv4 address ("" when it has none), each list joined with "," in adapter
// order. The loopback and adapters of other link types are left out; both
// texts are empty when the list cannot be read.
struct NetworkIdentity {
    std::string netId;
    std::string ipAddress;
};

NetworkIdentity ReadNetworkIdentity();
