// The shared queue of owned objects: order, the empty queue, ownership, and
// eight threads pushing and popping at once.

#include <algorithm>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "compose/sound/PtrFifo.h"

namespace {

struct Tracked {
    explicit Tracked(int& alive) : alive(alive) { ++alive; }
    ~Tracked() { --alive; }
    int& alive;
};

} // namespace

TEST(PtrFifoTest, PopsInPushOrderThenNull)
{
    CPtrFIFO<int> fifo;
    EXPECT_EQ(fifo.Pop(), nullptr);
    for (int i = 1; i <= 3; ++i)
        fifo.Push(std::make_unique<int>(i));
    std::vector<int> popped;
    while (std::unique_ptr<int> item = fifo.Pop())
        popped.push_back(*item);
    EXPECT_EQ(popped, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(fifo.Pop(), nullptr);

    // The queue works again after it ran empty.
    fifo.Push(std::make_unique<int>(4));
    ASSERT_NE(fifo.Pop(), nullptr);
}

TEST(PtrFifoTest, FreesWhatIsStillQueuedAndHandsOverWhatIsPopped)
{
    int alive = 0;
    std::unique_ptr<Tracked> kept;
    {
        CPtrFIFO<Tracked> fifo;
        fifo.Push(std::make_unique<Tracked>(alive));
        fifo.Push(std::make_unique<Tracked>(alive));
        kept = fifo.Pop();
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 1) << "the queued one goes with the queue, the popped one stays";
    kept.reset();
    EXPECT_EQ(alive, 0);
}

// Each thread pushes its own numbered items and pops as it goes; at the end
// every item has come out exactly once, and every popper saw each pusher's
// items in the order they were pushed.
TEST(PtrFifoTest, EightThreadsPushingAndPoppingLoseAndDuplicateNothing)
{
    constexpr int kThreads = 8;
    constexpr int kItemsEach = 5000;
    using Item = std::pair<int, int>; // (thread, sequence number)
    CPtrFIFO<Item> fifo;
    std::vector<std::vector<Item>> popped(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&fifo, &mine = popped[t], t] {
            for (int i = 0; i < kItemsEach; ++i) {
                fifo.Push(std::make_unique<Item>(t, i));
                if (i % 2 == 1)
                    for (int k = 0; k < 2; ++k)
                        if (std::unique_ptr<Item> item = fifo.Pop())
                            mine.push_back(*item);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::vector<Item> rest;
    while (std::unique_ptr<Item> item = fifo.Pop())
        rest.push_back(*item);

    std::map<Item, int> seen;
    for (const Item& item : rest)
        ++seen[item];
    for (const std::vector<Item>& mine : popped) {
        std::vector<int> last(kThreads, -1);
        for (const Item& item : mine) {
            ++seen[item];
            ASSERT_LT(last[item.first], item.second) << "out of order from pusher " << item.first;
            last[item.first] = item.second;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kItemsEach)) << "items lost";
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](const auto& entry) { return entry.second == 1; }))
        << "items popped twice";
}
