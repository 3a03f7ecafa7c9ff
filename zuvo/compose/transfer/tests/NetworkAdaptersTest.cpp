// The network id and addresses that "sendfax" carries, against the machine's
// own list as `ip` prints it.
#include "compose/transfer/NetworkAdapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/tests/TestFiles.h"

TEST(NetworkAdapters, EthernetAdaptersOnlyInTheSystemsOrder)
{
    // "2: eth0: <...> ... link/ether 02:fc:00:00:00:01 brd ..." for each Ethernet link.
    const auto listed = testfiles::run("ip -o link show 2>/dev/null | grep ' link/ether ' | grep -v LOOPBACK");
    if (listed.status != 0 && listed.output.empty())
        GTEST_SKIP() << "no Ethernet adapter here, or no ip command";
    std::string expected;
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);) {
        std::string mac = line.substr(line.find("link/ether ") + 11, 17);
        std::transform(mac.begin(), mac.end(), mac.begin(), [](char c) { return c == ':' ? '-' : std::toupper(c); });
        expected += (expected.empty() ? "" : ",") + mac;
    }
    const NetworkIdentity identity = ReadNetworkIdentity();
    EXPECT_EQ(identity.netId, expected);
    // One address text per adapter, empty or dotted.
    const std::size_t adapters = std::count(expected.begin(), expected.end(), ',') + 1;
    EXPECT_EQ(static_cast<std::size_t>(std::count(identity.ipAddress.begin(), identity.ipAddress.end(), ',')) + 1,
              adapters);
    EXPECT_EQ(identity.netId.find("00-00-00-00-00-00"), std::string::npos);
}
