// The argument list and invoke of the proxy, its connect results, and the
// listener walk when callbacks change the list.
#include <gtest/gtest.h>

#include <string>

#include "Recorder.h"
#include "netvoy/AgentProxy.h"

TEST(NetvoyAgentProxy, ArgumentsUpsertAndInvokeQueuesCopies)
{
    AgentProxy proxy;
    proxy.appendArg("command", "sendfax");
    proxy.appendArg("invokeid", 4L);
    proxy.appendArg("invokeid", 5);
    proxy.appendArg("zero", 0); // an int literal picks the number, not the text overload
    proxy.updateArg("command", "queryfax");
    EXPECT_EQ(proxy.removeArg("zero"), 1);
    EXPECT_EQ(proxy.removeArg("zero"), 0);
    EXPECT_EQ(proxy.invoke(), 1);
    EXPECT_EQ(proxy.invoke(), 1);
    EXPECT_EQ(proxy.pendingEvents(), 2u);
    EXPECT_EQ(proxy.clearArgs(), 1);
    EXPECT_EQ(proxy.invoke(), 1) << "an empty request still queues";
    EXPECT_EQ(proxy.pendingEvents(), 3u);
}

TEST(NetvoyAgentProxy, ConnectResultsHaveOppositeSenses)
{
    AgentProxy proxy;
    proxy.setServerAddress(std::string(200, 'h').c_str());
    EXPECT_EQ(std::string(proxy.getServerAddress()).size(), 200u) << "kept whole, never cut into another name";
    EXPECT_EQ(proxy.openServer(), 0) << "a name over 127 characters is refused";
    proxy.setServerAddress("127.0.0.1");
    proxy.setService(0);
    EXPECT_EQ(proxy.connect(), -1);
    EXPECT_EQ(proxy.openServer(), 0);
    EXPECT_EQ(proxy.connect("127.0.0.1", 0), 0);
    EXPECT_STREQ(proxy.getServerAddress(), "127.0.0.1");
    EXPECT_EQ(proxy.closeServer(), 1);
    EXPECT_EQ(proxy.isConnected(), 0);
}

namespace {

// On its first call removes itself and adds `added`.
class SelfRemover : public Recorder {
public:
    SelfRemover(Client& client, ClientEventListener& added) : client_(client), added_(added) {}
    int onReceive(CRL::Event* event) override
    {
        Recorder::onReceive(event);
        client_.removeEventListener(this);
        client_.addEventListener(&added_);
        return 0;
    }

private:
    Client& client_;
    ClientEventListener& added_;
};

} // namespace

TEST(NetvoyClientListeners, CallbacksMayChangeTheListDuringTheWalk)
{
    Client client;
    Recorder later, added;
    SelfRemover remover(client, added);
    ASSERT_EQ(client.addEventListener(&remover), 1);
    ASSERT_EQ(client.addEventListener(&later), 1);
    EXPECT_EQ(client.addEventListener(nullptr), 0);

    CRL::EventPtr event = CRL::makeEvent();
    event->appendKV("event", "x");
    client.fireReceive(event.get());
    EXPECT_EQ(remover.received().size(), 1u);
    EXPECT_EQ(later.received().size(), 1u) << "the listener after the one that removed itself is still called";
    EXPECT_EQ(added.received().size(), 0u) << "a listener added during a walk joins the next one";

    client.fireReceive(event.get());
    EXPECT_EQ(remover.received().size(), 1u);
    EXPECT_EQ(later.received().size(), 2u);
    EXPECT_EQ(added.received().size(), 1u);

    EXPECT_EQ(client.removeEventListener(&remover), 0);
    EXPECT_EQ(client.removeEventListeners(), 0);
}

TEST(NetvoyClientListeners, HeartbeatIsAnsweredInsteadOfDelivered)
{
    Client client;
    Recorder recorder;
    client.addEventListener(&recorder);
    CRL::EventPtr heartbeat = CRL::makeEvent();
    heartbeat->appendKV("EVENT", "HeartBeat");
    client.fireReceive(heartbeat.get());
    EXPECT_TRUE(recorder.received().empty());
    EXPECT_EQ(client.pendingEvents(), 1u);
    client.removeEventListeners();
}
