// Ethernet adapters from getifaddrs: the link-layer entries give the
// adapters and their hardware addresses, the IPv4 entries of the same name
// their addresses.
#include "compose/transfer/NetworkAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>

#include <memory>
#include <vector>

#include "core/TextUtil.h"

namespace {

struct Adapter {
    std::string name;
    std::string hardware;
    std::string ip;
};

struct FreeAddresses {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

} // namespace

NetworkIdentity ReadNetworkIdentity()
{
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0)
        return {};
    const std::unique_ptr<ifaddrs, FreeAddresses> list(raw);
    std::vector<Adapter> adapters;
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6)
            continue;
        const unsigned char* a = link->sll_addr;
        adapters.push_back({entry->ifa_name, FormatText("%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]), ""});
    }
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        for (Adapter& adapter : adapters) {
            if (adapter.name != entry->ifa_name || !adapter.ip.empty())
                continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto* ip = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            if (inet_ntop(AF_INET, &ip->sin_addr, text, sizeof text))
                adapter.ip = text;
        }
    }
    NetworkIdentity identity;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const char* separator = i == 0 ? "" : ",";
        identity.netId += separator + adapters[i].hardware;
        identity.ipAddress += separator + adapters[i].ip;
    }
    return identity;
}
