// Contexts and their container: lookup by id, removal of the first equal
// entry, copies, and eight threads working on one container (run under the
// thread sanitizer by scripts/test).
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EngineFixture.h"

using enginetest::Conversation;
using enginetest::NamedState;

namespace {

TEST(CtxContainer, FindsTheFirstContextOfAnIdAndRemovesOneEntryAtATime)
{
    Conversation first(7), second(7), other(8);
    CRL::CtxContainer container;
    EXPECT_EQ(container.getCtxInfo(7), nullptr);
    EXPECT_EQ(container.addCtxInfo(nullptr), 0);
    EXPECT_EQ(container.addCtxInfo(&first), 1);
    EXPECT_EQ(container.addCtxInfo(&second), 1);
    EXPECT_EQ(container.addCtxInfo(&other), 1);
    EXPECT_EQ(container.addCtxInfo(&first), 1); // listed twice
    EXPECT_EQ(container.getCtxInfo(7), &first);
    EXPECT_EQ(container.getCtxInfo(8), &other);

    EXPECT_EQ(container.removeCtxInfo(&first), 1);
    EXPECT_EQ(container.getCtxInfo(7), &second) << "the earlier entry went first";
    EXPECT_EQ(container.removeCtxInfo(&second), 1);
    EXPECT_EQ(container.getCtxInfo(7), &first) << "the second entry of first is still listed";
    EXPECT_EQ(container.removeCtxInfo(&first), 1);
    EXPECT_EQ(container.removeCtxInfo(&first), 0);
    EXPECT_EQ(container.removeCtxInfo(nullptr), 0);
    EXPECT_EQ(container.getCtxInfo(7), nullptr);
    EXPECT_EQ(first.id(), 7) << "removed contexts are not destroyed";
}

TEST(CtxContainer, CopiesHaveListsOfTheirOwn)
{
    Conversation seven(7), eight(8);
    CRL::CtxContainer original;
    original.addCtxInfo(&seven);
    CRL::CtxContainer copy(original);
    copy.addCtxInfo(&eight);
    EXPECT_EQ(copy.getCtxInfo(7), &seven);
    EXPECT_EQ(original.getCtxInfo(8), nullptr);

    CRL::CtxContainer assigned;
    assigned.addCtxInfo(&eight);
    assigned = original;
    EXPECT_EQ(assigned.getCtxInfo(8), nullptr);
    original.removeCtxInfo(&seven);
    EXPECT_EQ(assigned.getCtxInfo(7), &seven);
    assigned = assigned;
    EXPECT_EQ(assigned.getCtxInfo(7), &seven);
}

TEST(CtxInfo, CopyKeepsStateAndTimer)
{
    NamedState s("S");
    Conversation armed(7);
    EXPECT_EQ(armed.getCurState(), nullptr);
    EXPECT_EQ(armed.isTimeOut(), 0);
    armed.setCurState(&s);
    armed.setTimer(0); // expires at once
    Conversation copy = armed;
    EXPECT_EQ(copy.getCurState(), &s);
    EXPECT_EQ(copy.isTimeOut(), 1);
    armed.killTimer();
    EXPECT_EQ(armed.isTimeOut(), 0);
    EXPECT_EQ(copy.isTimeOut(), 1) << "the copy's timer is its own";
    copy.setTimer(3600000);
    EXPECT_EQ(copy.isTimeOut(), 0);

    EXPECT_EQ(copy.is("CTX"), 1);
    EXPECT_EQ(copy.is("event"), 0);
    EXPECT_EQ(copy.is(nullptr), 0);
    EXPECT_STREQ(copy.name(), "ctx");
}

// Each thread adds contexts of its own ids, finds them and the others',
// and removes its own; at the end the container is empty again.
TEST(CtxContainer, EightThreadsAddFindAndRemove)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    CRL::CtxContainer container;
    std::vector<std::vector<std::unique_ptr<Conversation>>> owned(kThreads);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kPerThread; ++i)
            owned[t].push_back(std::make_unique<Conversation>(t * 1000 + i + 1));

    std::latch start(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            start.arrive_and_wait();
            for (auto& context : owned[t])
                failures[t] += container.addCtxInfo(context.get()) != 1;
            for (int i = 0; i < kPerThread; ++i) {
                failures[t] += container.getCtxInfo(t * 1000 + i + 1) != owned[t][i].get();
                CRL::CtxInfo* found = container.getCtxInfo(((t + 1) % kThreads) * 1000 + i + 1);
                failures[t] += found && found->id() != ((t + 1) % kThreads) * 1000 + i + 1;
            }
            for (auto& context : owned[t]) {
                failures[t] += container.removeCtxInfo(context.get()) != 1;
                failures[t] += container.removeCtxInfo(context.get()) != 0;
            }
        });
    for (auto& worker : workers)
        worker.join();

    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
        for (int i = 0; i < kPerThread; ++i)
            EXPECT_EQ(container.getCtxInfo(t * 1000 + i + 1), nullptr);
    }
}

} // namespace
