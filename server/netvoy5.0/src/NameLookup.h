#pragma once

#include <netinet/in.h>

namespace Netvoy {

// Resolves host (null: any local address) and service (a decimal port or a
// service name) to an IPv4 address for sockets of socketType. A dotted
// address needs no name server and is converted at once. A name is looked up
// on a thread of its own, waited for at most timeoutMs: a look-up that has
// not answered by then is left to end by itself and counts as failed, so a
// dead name server cannot hold the caller. False when nothing was found in
// time, when the port is 0, or when too many abandoned look-ups are still
// under way.
bool lookUpAddress(const char* host, const char* service, int socketType, int timeoutMs, sockaddr_in& out);

} // namespace Netvoy
