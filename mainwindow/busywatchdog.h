#pragma once

// Releases a busy flag that has stayed set for 3 s, so that a request whose
// reply never came does not block the next one. Fed by the main window's
// 100 ms timer.
class BusyWatchdog
{
public:
    static constexpr int kLimitMs = 2999;

    // Adds one timer interval; clears `busy` once it has been set for longer
    // than the limit.
    void tick(int intervalMs, bool &busy)
    {
        if (!busy) {
            m_elapsedMs = 0;
            return;
        }
        m_elapsedMs += intervalMs;
        if (m_elapsedMs > kLimitMs) {
            busy = false;
            m_elapsedMs = 0;
        }
    }

private:
    int m_elapsedMs = 0;
};
