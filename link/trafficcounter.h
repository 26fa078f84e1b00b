#pragma once

#include <QtGlobal>
#include <atomic>

// A traffic counter shown in the status bar: it runs 1 ... 999,999, 0, 1 ...
// Incremented by the worker thread, reset from the GUI thread.
class TrafficCounter
{
public:
    static constexpr quint32 kWrap = 1000000;

    static constexpr quint32 next(quint32 value) { return value + 1 >= kWrap ? 0 : value + 1; }

    quint32 increment()
    {
        quint32 value = m_value.load(std::memory_order_relaxed);
        while (!m_value.compare_exchange_weak(value, next(value), std::memory_order_relaxed)) {
        }
        return next(value);
    }
    void set(quint32 value) { m_value.store(value % kWrap, std::memory_order_relaxed); }
    quint32 value() const { return m_value.load(std::memory_order_relaxed); }

private:
    std::atomic<quint32> m_value{0};
};
