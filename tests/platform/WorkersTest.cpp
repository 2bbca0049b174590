// The program's one way of running work on threads: every piece done once, the tasks of a
// queue in order on a thread of their own, nothing left running when the owner goes.
#include "platform/Workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(Workers, ForEachDoesEveryPieceOnceAndReturnsWhenAllAreDone)
{
    const struct {
        int count, threads;
    } cases[] = {{0, 4}, {1, 4}, {3, 1}, {3, 8}, {100, 2}, {1000, 4}};
    for (const auto &c : cases) {
        std::vector<std::atomic<int>> done(size_t(c.count));
        std::mutex lock;
        std::set<std::thread::id> threads;
        workers::forEach(c.count, c.threads, [&](int i) {
            done[size_t(i)]++;
            std::lock_guard hold(lock);
            threads.insert(std::this_thread::get_id());
        });
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(done[size_t(i)], 1) << "piece " << i << " of " << c.count << " on " << c.threads;
        EXPECT_LE(int(threads.size()), std::max(1, std::min(c.count, c.threads))) << c.count << " on " << c.threads;
        // One thread: the caller's own, nothing started.
        if (c.threads == 1 || c.count == 1)
            EXPECT_TRUE(threads.count(std::this_thread::get_id())) << c.count << " on " << c.threads;
    }
    EXPECT_GE(workers::threadCount(4), 1);
    EXPECT_LE(workers::threadCount(4), 4);
    EXPECT_EQ(workers::threadCount(1), 1);
    EXPECT_EQ(workers::threadCount(0), 1);
}

// Pieces that wait for each other finish only if they truly run side by side.
TEST(Workers, ForEachAndTeamRunSideBySide)
{
    std::promise<void> firstIn;
    std::shared_future<void> first = firstIn.get_future().share();
    std::atomic<bool> sawTheOther = false;
    workers::forEach(2, 2, [&](int i) {
        if (i == 0)
            firstIn.set_value();
        else
            sawTheOther = first.wait_for(std::chrono::minutes(2)) == std::future_status::ready;
    });
    EXPECT_TRUE(sawTheOther);

    std::atomic<int> arrived = 0;
    std::atomic<int> ended = 0;
    {
        workers::Team team;
        team.start(3, [&] {
            ++arrived;
            for (auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
                 arrived < 3 && std::chrono::steady_clock::now() < end;)
                std::this_thread::yield();
            if (arrived == 3)
                ++ended;
        });
    }   // the team waits for its threads as it goes
    EXPECT_EQ(ended, 3);
}

TEST(Workers, QueueRunsItsTasksInOrderOnAThreadOfItsOwn)
{
    std::vector<int> order;
    std::set<std::thread::id> threads;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    {
        workers::Queue queue;
        EXPECT_FALSE(queue.busy());
        queue.post([&] {
            released.wait();
            order.push_back(0);
            threads.insert(std::this_thread::get_id());
        });
        for (int i = 1; i < 20; ++i)
            queue.post([&, i] {
                order.push_back(i);
                threads.insert(std::this_thread::get_id());
            });
        EXPECT_TRUE(queue.busy());   // the first task holds the others
        release.set_value();
        queue.waitForDone();
        EXPECT_FALSE(queue.busy());
        ASSERT_EQ(order.size(), 20u);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(order[size_t(i)], i);
        EXPECT_EQ(threads.size(), 1u);
        EXPECT_FALSE(threads.count(std::this_thread::get_id()));

        // Tasks still waiting when the queue goes are run before it is gone.
        order.clear();
        for (int i = 0; i < 5; ++i)
            queue.post([&, i] { order.push_back(i); });
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

} // namespace
