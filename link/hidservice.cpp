#include "link/hidservice.h"

HidService &HidService::instance()
{
    static HidService service;
    return service;
}

HidService::HidService()
    : m_thread([this] { loop(); })
{
}

HidService::~HidService()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HidService::execute(const std::function<void()> &task)
{
    if (std::this_thread::get_id() == m_thread.get_id()) {
        task();
        return;
    }
    Job job{&task};
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobs.push_back(&job);
    m_changed.notify_all();
    m_changed.wait(lock, [&job] { return job.done; });
}

void HidService::loop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        Job *job = m_jobs.front();
        m_jobs.pop_front();
        lock.unlock();
        (*job->task)();
        lock.lock();
        job->done = true;
        m_changed.notify_all();
    }
}
