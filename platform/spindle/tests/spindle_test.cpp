#include <atomic>
#include <chrono>
#include <future>
#include <pthread.h>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "spindle/Spindle.h"

using namespace Spindle;
using namespace std::chrono_literals;

namespace {

// Whether another thread can take the mutex right now (it lets go at once).
bool freeForAnotherThread(VMutex& mutex)
{
    return std::async(std::launch::async, [&] {
               bool got = mutex.tryLock();
               if (got)
                   mutex.unlock();
               return got;
           }).get();
}

} // namespace

TEST(VMutex, OwnerMayLockAgainWhileOthersWait)
{
    VMutex mutex;
    VLock outer(mutex);
    VLock inner(mutex); // would deadlock on a plain mutex

    EXPECT_FALSE(freeForAnotherThread(mutex));
}

TEST(VMutex, CopyIsASeparateUnlockedMutex)
{
    VMutex original;
    VLock held(original);
    VMutex copy(original);
    EXPECT_TRUE(freeForAnotherThread(copy));
}

TEST(VLock, ReleasesWhenAnExceptionLeavesTheScope)
{
    VMutex mutex;
    try {
        VLock lock(mutex);
        throw 1;
    } catch (int) {
    }
    EXPECT_TRUE(freeForAnotherThread(mutex));
}

namespace {

// Counts how often thread() ran; loops until shut down when asked to.
class CountingThread : public ThreadIf {
public:
    explicit CountingThread(bool loopUntilShutdown = false) : loop_(loopUntilShutdown) {}
    ~CountingThread() override { stopAndJoin(); }

    void thread() override
    {
        ++runs;
        while (loop_ && !isShutdown())
            std::this_thread::sleep_for(1ms);
    }

    std::atomic<int> runs{0};

private:
    bool loop_;
};

class SelfJoiningThread : public ThreadIf {
public:
    ~SelfJoiningThread() override { stopAndJoin(); }
    void thread() override
    {
        try {
            join();
            joinedWithoutThrow = true;
        } catch (...) {
        }
    }
    std::atomic<bool> joinedWithoutThrow{false};
};

} // namespace

TEST(ThreadIf, RunCallsThreadOnceAndJoinWaits)
{
    CountingThread worker;
    worker.run();
    worker.join();
    EXPECT_EQ(worker.runs.load(), 1);
    EXPECT_FALSE(worker.isRunning());
}

TEST(ThreadIf, RunAfterTheThreadFinishedStartsItAgain)
{
    CountingThread worker;
    worker.run();
    worker.join();
    worker.run();
    worker.join();
    EXPECT_EQ(worker.runs.load(), 2);
}

TEST(ThreadIf, ShutdownIsSeenByTheLoopAndFromOtherThreads)
{
    CountingThread worker(true);
    worker.run();
    EXPECT_FALSE(worker.isShutdown());
    worker.shutdown();
    EXPECT_TRUE(worker.isShutdown());
    worker.join();
    EXPECT_FALSE(worker.isRunning());
}

TEST(ThreadIf, TheThreadCarriesItsNameCutToTheKernelsLimit)
{
    struct Named : ThreadIf {
        ~Named() override { stopAndJoin(); }
        void thread() override
        {
            char buffer[32] = {};
            ::pthread_getname_np(::pthread_self(), buffer, sizeof buffer);
            seen = buffer;
        }
        std::string seen;
    };
    for (const auto& [name, shown] : {std::pair<std::string, std::string>{"zuvo-session", "zuvo-session"},
                                      {"a-name-of-twenty-one", "a-name-of-twent"}}) {
        Named worker;
        worker.setName(name);
        worker.run();
        worker.join();
        EXPECT_EQ(worker.seen, shown);
    }
}

TEST(ThreadIf, DestroyingWithoutJoinDoesNotTerminate)
{
    {
        CountingThread worker(true);
        worker.run();
        std::this_thread::sleep_for(5ms);
    } // destructor stops and joins
    {
        CountingThread finished;
        finished.run();
        std::this_thread::sleep_for(5ms);
    } // finished but never joined
    SUCCEED();
}

TEST(ThreadIf, JoinFromTheThreadItselfReturns)
{
    SelfJoiningThread worker;
    worker.run();
    for (int i = 0; i < 1000 && worker.isRunning(); ++i)
        std::this_thread::sleep_for(1ms);
    worker.join();
    EXPECT_TRUE(worker.joinedWithoutThrow.load());
}
