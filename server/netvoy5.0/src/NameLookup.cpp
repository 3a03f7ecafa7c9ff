// Name look-up bounded in time: getaddrinfo blocks for as long as the name
// servers let it (retries included, minutes when they are gone), so it runs
// on a short-lived thread that the caller waits for with a deadline.
#include "NameLookup.h"

#include <netdb.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace Netvoy {
namespace {

// Abandoned look-ups each hold a thread until the resolver gives up; beyond
// this many, new names fail at once.
constexpr int kMaxPendingLookups = 8;
std::atomic<int> pendingLookups{0};

// What the look-up thread and the waiting caller share; either may be the
// last to let go of it.
struct Lookup {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    sockaddr_in address{};
};

addrinfo hintsFor(const char* host, int socketType, int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = socketType;
    hints.ai_flags = flags | (host ? 0 : AI_PASSIVE);
    return hints;
}

// getaddrinfo's first IPv4 answer: 0, or its error code.
int resolveNow(const char* host, const char* service, const addrinfo& hints, sockaddr_in& out)
{
    addrinfo* found = nullptr;
    int result = ::getaddrinfo(host, service, &hints, &found);
    if (result == 0 && found == nullptr)
        result = EAI_NONAME;
    if (result == 0)
        std::memcpy(&out, found->ai_addr, sizeof out);
    if (found)
        ::freeaddrinfo(found);
    return result;
}

bool resolveWithin(const std::string& host, const std::string& service, const addrinfo& hints, int timeoutMs,
                   sockaddr_in& out)
{
    if (pendingLookups.fetch_add(1) >= kMaxPendingLookups) {
        pendingLookups.fetch_sub(1);
        return false;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host, service, hints] {
            ::pthread_setname_np(::pthread_self(), "netvoy-lookup");
            sockaddr_in address{};
            const bool found = resolveNow(host.c_str(), service.c_str(), hints, address) == 0;
            {
                std::lock_guard<std::mutex> guard(lookup->lock);
                lookup->done = true;
                lookup->found = found;
                lookup->address = address;
            }
            lookup->finished.notify_all();
            pendingLookups.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        pendingLookups.fetch_sub(1);
        return false;
    }
    std::unique_lock<std::mutex> wait(lookup->lock);
    if (!lookup->finished.wait_for(wait, std::chrono::milliseconds(timeoutMs), [&] { return lookup->done; }))
        return false;
    out = lookup->address;
    return lookup->found;
}

} // namespace

bool lookUpAddress(const char* host, const char* service, int socketType, int timeoutMs, sockaddr_in& out)
{
    if (!service || !*service)
        return false;
    // A dotted address or no host at all: nothing to ask a name server.
    const int numeric = resolveNow(host, service, hintsFor(host, socketType, AI_NUMERICHOST), out);
    if (numeric == 0)
        return out.sin_port != 0;
    if (!host || numeric != EAI_NONAME)
        return false;
    if (!resolveWithin(host, service, hintsFor(host, socketType, 0), timeoutMs, out))
        return false;
    return out.sin_port != 0;
}

} // namespace Netvoy
