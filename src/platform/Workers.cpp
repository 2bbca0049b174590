#include "platform/Workers.h"

#include <algorithm>
#include <atomic>

namespace workers {

int threadCount(int cap)
{
    return std::clamp(int(std::thread::hardware_concurrency()), 1, std::max(1, cap));
}

void forEach(int count, int threads, const std::function<void(int)> &work)
{
    if (count <= 0)
        return;
    const int helpers = std::min(threads, count) - 1;
    if (helpers <= 0) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::atomic<int> next{0};
    const auto share = [&] {
        for (int i = next++; i < count; i = next++)
            work(i);
    };
    Team team;
    team.start(helpers, share);
    share();
    team.join();
}

void Team::start(int count, const std::function<void()> &work)
{
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back(work);
}

void Team::join()
{
    for (std::thread &thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_threads.clear();
}

Queue::~Queue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Queue::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

bool Queue::busy() const
{
    std::lock_guard lock(m_mutex);
    return m_running || !m_tasks.empty();
}

void Queue::waitForDone()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_running && m_tasks.empty(); });
}

void Queue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty())
            return;   // stopping, nothing left
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_running = true;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        m_running = false;
        m_changed.notify_all();
    }
}

} // namespace workers
