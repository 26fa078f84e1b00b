#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

// hidapi is not made to be called from several threads: the window's port
// scan and the worker's device would race inside it. Every hidapi call is
// therefore made in one thread of its own that lasts as long as the program;
// the others hand their calls over and wait for the result.
class HidService
{
public:
    static HidService &instance();

    // Runs `call` in the service thread and returns what it returns.
    template <typename F>
    auto run(F call) -> decltype(call())
    {
        using R = decltype(call());
        if constexpr (std::is_void_v<R>) {
            execute([&call] { call(); });
        } else {
            std::optional<R> result;
            execute([&call, &result] { result.emplace(call()); });
            return std::move(*result);
        }
    }

    HidService(const HidService &) = delete;
    HidService &operator=(const HidService &) = delete;

private:
    struct Job {
        const std::function<void()> *task;
        bool done = false;
    };

    HidService();
    ~HidService();
    void execute(const std::function<void()> &task);
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job *> m_jobs;
    bool m_stop = false;
    std::thread m_thread;
};
