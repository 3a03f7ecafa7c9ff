#include <gtest/gtest.h>

#include <QLocalSocket>

#include <atomic>
#include <optional>
#include <thread>

#include "QtTestSupport.h"
#include "core/qt/SingleInstance.h"

namespace {

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        ASSERT_TRUE(directory.isValid());
        name = HandOverServerName(directory.path());
    }

    // Runs `client` on a thread of its own while this thread serves events.
    void RunClient(const std::function<void()>& client)
    {
        std::atomic<bool> done = false;
        std::thread thread([&] {
            client();
            done = true;
        });
        const bool finished = QtTest::ProcessEventsUntil([&] { return done.load(); }, 10000);
        thread.join();
        EXPECT_TRUE(finished);
    }

    QTemporaryDir directory;
    QString name;
};

TEST_F(SingleInstance, TheLockFileDecidesWhoRuns)
{
    auto first = std::make_unique<InstanceLock>(directory.path());
    EXPECT_FALSE(first->IsAlreadyRunning());
    EXPECT_TRUE(InstanceLock(directory.path()).IsAlreadyRunning());
    first.reset();
    EXPECT_FALSE(InstanceLock(directory.path()).IsAlreadyRunning());
}

TEST_F(SingleInstance, ServerNamesDifferByProgramDirectory)
{
    QTemporaryDir other;
    EXPECT_NE(HandOverServerName(other.path()), name);
    EXPECT_EQ(HandOverServerName(directory.path() + QStringLiteral("/.")), name);
}

TEST_F(SingleInstance, FilesReachTheFirstInstanceExactly)
{
    std::optional<HandOverTarget> delivered;
    QStringList deliveredFiles;
    HandOverServer server(
        name, [] { return HandOverTarget{HANDOVER_TO_COMPOSE, 42}; },
        [&](const HandOverTarget& target, const QStringList& files) {
            delivered = target;
            deliveredFiles = files;
        });
    ASSERT_TRUE(server.Listen());

    const QStringList files = {QStringLiteral("a.tif"), QStringLiteral("b c.tif"), QStringLiteral("/tmp/传真%20 x\n.tif")};
    std::optional<HandOverTarget> found;
    bool confirmed = false;
    RunClient([&] {
        HandOverClient client(name);
        found = client.FindTarget();
        if (found) {
            confirmed = client.Deliver(*found, files);
        }
    });
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->wParam, HANDOVER_TO_COMPOSE);
    EXPECT_EQ(found->lParam, 42);
    EXPECT_TRUE(confirmed);
    ASSERT_TRUE(delivered.has_value());
    EXPECT_EQ(delivered->wParam, HANDOVER_TO_COMPOSE);
    EXPECT_EQ(delivered->lParam, 42);
    EXPECT_EQ(deliveredFiles, files);
}

TEST_F(SingleInstance, NoTargetWithoutAnAnsweringInstance)
{
    // Nobody listens.
    RunClient([&] { EXPECT_FALSE(HandOverClient(name).FindTarget().has_value()); });

    // A first instance without a window for the files.
    bool deliveredAnything = false;
    HandOverServer server(
        name, [] { return std::optional<HandOverTarget>(); },
        [&](const HandOverTarget&, const QStringList&) { deliveredAnything = true; });
    ASSERT_TRUE(server.Listen());
    RunClient([&] { EXPECT_FALSE(HandOverClient(name).FindTarget().has_value()); });
    EXPECT_FALSE(deliveredAnything);
}

TEST_F(SingleInstance, MalformedRequestsDeliverNothing)
{
    bool deliveredAnything = false;
    HandOverServer server(
        name, [] { return HandOverTarget{}; },
        [&](const HandOverTarget&, const QStringList&) { deliveredAnything = true; });
    ASSERT_TRUE(server.Listen());
    for (const char* request :
         {"HELLO\n", "NOTIFY 1\n", "NOTIFY x 0 1\na\n", "NOTIFY 1 0 -3\n", "NOTIFY 1 0 2147483647\na\n"}) {
        RunClient([&] {
            QLocalSocket socket;
            socket.connectToServer(name);
            ASSERT_TRUE(socket.waitForConnected(3000));
            socket.write(request);
            socket.waitForBytesWritten(3000);
            // The server drops the connection instead of answering.
            socket.waitForDisconnected(3000);
            EXPECT_EQ(socket.state(), QLocalSocket::UnconnectedState) << request;
            EXPECT_FALSE(socket.canReadLine()) << request;
        });
    }
    EXPECT_FALSE(deliveredAnything);
}

} // namespace
