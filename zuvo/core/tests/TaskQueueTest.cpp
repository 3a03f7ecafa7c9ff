#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "core/TaskQueue.h"

namespace {

// Counts live tasks, so that a test sees which ones were destroyed.
struct Counted : CTask {
    explicit Counted(int number, std::atomic<int>* alive) : number(number), alive(alive) { ++*alive; }
    ~Counted() override { --*alive; }
    int number;
    std::atomic<int>* alive;
};

struct SendTask : Counted {
    using Counted::Counted;
};
struct ReceiveTask : Counted {
    using Counted::Counted;
};

int numberOf(const std::unique_ptr<CTask>& task)
{
    return dynamic_cast<const Counted&>(*task).number;
}

TEST(TaskQueue, PopsInTheOrderAddedAndNullWhenEmpty)
{
    std::atomic<int> alive = 0;
    TaskQueue queue;
    EXPECT_EQ(queue.PopTask(), nullptr);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(queue.AddTask(std::make_unique<Counted>(i, &alive)), 1);
    }
    for (int i = 1; i <= 3; ++i) {
        std::unique_ptr<CTask> task = queue.PopTask();
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(numberOf(task), i);
    }
    EXPECT_EQ(queue.PopTask(), nullptr);
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST(TaskQueue, TypedPopLeavesOtherConsumersTasksQueuedInOrder)
{
    std::atomic<int> alive = 0;
    TaskQueue queue;
    queue.AddTask(std::make_unique<SendTask>(1, &alive));
    queue.AddTask(std::make_unique<ReceiveTask>(2, &alive));
    queue.AddTask(std::make_unique<SendTask>(3, &alive));
    queue.AddTask(std::make_unique<ReceiveTask>(4, &alive));

    std::unique_ptr<ReceiveTask> first = queue.PopTaskOf<ReceiveTask>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->number, 2);
    first.reset();

    // The send tasks were neither taken nor destroyed by the receiving consumer.
    EXPECT_EQ(alive, 3);
    EXPECT_EQ(queue.PopTaskOf<SendTask>()->number, 1);
    EXPECT_EQ(queue.PopTaskOf<SendTask>()->number, 3);
    EXPECT_EQ(queue.PopTaskOf<SendTask>(), nullptr);
    EXPECT_EQ(queue.PopTaskOf<ReceiveTask>()->number, 4);
    EXPECT_EQ(alive, 0);
}

TEST(TaskQueue, RemoveTaskDestroysOnlyAQueuedTask)
{
    std::atomic<int> alive = 0;
    TaskQueue queue;
    queue.AddTask(std::make_unique<Counted>(1, &alive));
    auto second = std::make_unique<Counted>(2, &alive);
    const CTask* queued = second.get();
    queue.AddTask(std::move(second));
    Counted outside(3, &alive);

    EXPECT_EQ(queue.RemoveTask(&outside), 0);
    EXPECT_EQ(queue.RemoveTask(nullptr), 0);
    EXPECT_EQ(alive, 3);

    EXPECT_EQ(queue.RemoveTask(queued), 1);
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(queue.RemoveTask(queued), 0);
    EXPECT_EQ(numberOf(queue.PopTask()), 1);
    EXPECT_EQ(queue.AddTask(nullptr), 0);
    EXPECT_EQ(queue.Count(), 0u);
}

// Producers and two kinds of consumers at once: every task reaches exactly
// one consumer of its own kind, none is lost or handed out twice.
TEST(TaskQueue, ConcurrentConsumersLoseNoTask)
{
    constexpr int kPerProducer = 2000;
    std::atomic<int> alive = 0;
    TaskQueue queue;
    std::atomic<bool> producing = true;
    std::vector<int> sent;
    std::vector<int> received;

    auto consume = [&](auto tag, std::vector<int>& out) {
        using Task = typename decltype(tag)::type;
        while (true) {
            std::unique_ptr<Task> task = queue.PopTaskOf<Task>();
            if (task) {
                out.push_back(task->number);
                continue;
            }
            if (!producing) {
                // One more look after the producers ended, then stop.
                while ((task = queue.PopTaskOf<Task>())) {
                    out.push_back(task->number);
                }
                return;
            }
            std::this_thread::yield();
        }
    };
    std::thread sender(consume, std::type_identity<SendTask>{}, std::ref(sent));
    std::thread receiver(consume, std::type_identity<ReceiveTask>{}, std::ref(received));
    std::thread sendProducer([&] {
        for (int i = 0; i < kPerProducer; ++i) queue.AddTask(std::make_unique<SendTask>(i, &alive));
    });
    std::thread receiveProducer([&] {
        for (int i = 0; i < kPerProducer; ++i) queue.AddTask(std::make_unique<ReceiveTask>(i, &alive));
    });
    sendProducer.join();
    receiveProducer.join();
    producing = false;
    sender.join();
    receiver.join();

    for (const std::vector<int>* got : {&sent, &received}) {
        ASSERT_EQ(got->size(), static_cast<std::size_t>(kPerProducer));
        // One producer per kind, so each consumer sees its tasks in order.
        for (int i = 0; i < kPerProducer; ++i) {
            EXPECT_EQ((*got)[i], i);
        }
    }
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(alive, 0);
}

} // namespace
