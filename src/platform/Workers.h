#pragma once
// The one way the program runs work off the window's thread. Three shapes cover its uses:
//   - forEach: a batch of independent pieces (tiles to decode) shared out among a few
//     threads, the caller's included, and done when it returns;
//   - Team: threads that run side by side until their work says it is over (the export's
//     decoders feeding its bands), waited for when the team goes;
//   - Queue: one thread of its own running the tasks handed to it one after the other, in
//     order (a long job started by a button, checks that must not block the window).
// A task that has something to tell the window's thread hands it over with a queued call
// (QMetaObject::invokeMethod on an object living there); nothing here knows about widgets.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace workers {

// How many threads to work side by side: one a core, at least one, at most `cap`.
int threadCount(int cap);

// Runs `work(i)` for every i of 0 .. count - 1 on up to `threads` threads, the calling one
// included (it alone when `threads` or `count` is 1), handing the indices out in order;
// returns once every piece is done.
void forEach(int count, int threads, const std::function<void(int index)> &work);

// Threads running `work` side by side; the team waits for them when it goes.
class Team {
public:
    Team() = default;
    ~Team() { join(); }
    Team(const Team &) = delete;
    Team &operator=(const Team &) = delete;

    // Starts `count` more threads, each running `work()` once.
    void start(int count, const std::function<void()> &work);
    // Waits until every thread started has returned.
    void join();

private:
    std::vector<std::thread> m_threads;
};

// One thread that runs the tasks handed to it one after the other, in the order given. Its
// thread starts with the first task. Going, the queue runs what it was handed and waits
// for it: a task must not wait for its queue's owner, and it must end (a long one reads a
// flag of cancellation that the owner sets before).
class Queue {
public:
    Queue() = default;
    ~Queue();
    Queue(const Queue &) = delete;
    Queue &operator=(const Queue &) = delete;

    void post(std::function<void()> task);
    // A task is waiting or running.
    bool busy() const;
    // Returns once every task handed over so far has run.
    void waitForDone();

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    bool m_running = false;    // a task is being run
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace workers
