// The quit signals: each one reaches the quit function on the GUI thread,
// by way of the event loop; once the object is gone the signals have their
// default action again.

#include <gtest/gtest.h>

#include <QThread>

#include <csignal>

#include "QtTestSupport.h"
#include "core/qt/QuitSignals.h"

TEST(QuitSignals, TermIntAndHupEachQuitOnTheGuiThread)
{
    QtTest::EnsureApplication();
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        int quits = 0;
        bool onGuiThread = false;
        {
            QuitOnSignals quit([&] {
                ++quits;
                onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            });
            ASSERT_TRUE(quit.Installed());
            ASSERT_EQ(::raise(signal), 0);
            // Nothing happens inside the handler: the call waits for the event loop.
            EXPECT_EQ(quits, 0);
            EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return quits > 0; }, 3000)) << signal;
            EXPECT_EQ(quits, 1) << signal;
            EXPECT_TRUE(onGuiThread);
        }
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
    }
}
