#include "mainwindow/wavetrigger.h"

#include <cmath>
#include <limits>

double WaveTrigger::coefficient(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) && value != 0 ? value : 1.0;
}

int WaveTrigger::preTriggerSets(int window, int percent)
{
    return int(qint64(window) * qBound(0, percent, kMaxPreTrigger) / 100);
}

void WaveTrigger::setSettings(const Settings &settings)
{
    m_settings = settings;
    m_settings.source = qBound(0, settings.source, kChannels - 1);
    m_settings.preTrigger = qBound(0, settings.preTrigger, kMaxPreTrigger);
    m_settings.window = qMax(2, settings.window);
    m_settings.hysteresis = std::isfinite(settings.hysteresis) ? qMax(0.0, settings.hysteresis) : 0.0;
    if (!std::isfinite(settings.coefficient) || settings.coefficient == 0)
        m_settings.coefficient = 1;
    m_pre = preTriggerSets(m_settings.window, m_settings.preTrigger);
    m_ringSize = m_settings.window;
    // No position is negative: a slot tagged so holds nothing.
    m_tags.fill(std::numeric_limits<qint64>::min(), m_ringSize);
    for (auto &channel : m_ring)
        channel.resize(m_ringSize);
    m_state = m_settings.mode == Off ? Idle : Armed;
    m_next = 0;
    m_sinceWindow = 0;
    m_ready = false;
    m_seen = false;
    m_windows = 0;
    m_hasWindow = false;
    m_window = Window();
}

void WaveTrigger::feed(const WaveCapture::Batch &batch)
{
    // Lists of a batch are as long as each other; a shorter one reads as 0.
    int sets = 0;
    for (const auto &channel : batch)
        sets = qMax(sets, channel.size());
    double values[kChannels];
    for (int i = 0; i < sets && (m_state == Armed || m_state == Triggered); ++i) {
        for (int c = 0; c < kChannels; ++c)
            values[c] = i < batch[size_t(c)].size() ? batch[size_t(c)][i] : 0.0;
        take(m_next, values);
    }
}

void WaveTrigger::gap(int sets)
{
    if (sets <= 0 || (m_state != Armed && m_state != Triggered))
        return;
    m_next += sets;
    m_sinceWindow += sets;
    // Whatever happened during the loss is unknown: no edge spans it.
    m_ready = false;
    if (m_state == Triggered && m_next > m_end)
        complete(m_trigger, true);
}

void WaveTrigger::take(qint64 position, const double *values)
{
    const int slot = int(position % m_ringSize);
    m_tags[slot] = position;
    for (int c = 0; c < kChannels; ++c)
        m_ring[size_t(c)][slot] = values[c];
    m_next = position + 1;
    ++m_sinceWindow;

    // Compared in the channel's unit, so that a negative coefficient turns
    // the raw edge round as it turns the value round.
    const double value = values[m_settings.source] * m_settings.coefficient;
    m_low = m_seen ? qMin(m_low, value) : value;
    m_high = m_seen ? qMax(m_high, value) : value;
    m_seen = true;
    const double band = m_settings.hysteresis * (m_high - m_low);
    const double level = m_settings.level;
    bool edge = false;
    if (m_settings.edge == Rising) {
        edge = m_ready && value >= level;
        m_ready = (m_ready && !edge) || value < level - band;
    } else {
        edge = m_ready && value <= level;
        m_ready = (m_ready && !edge) || value > level + band;
    }

    if (m_state == Triggered) {
        if (position >= m_end)
            complete(m_trigger, true);
    } else if (edge) {
        m_trigger = position;
        m_end = position - m_pre + m_ringSize - 1;
        m_state = Triggered;
        if (position >= m_end)
            complete(position, true);
    } else if (m_settings.mode == Auto && m_sinceWindow >= m_ringSize) {
        complete(position - m_ringSize + 1 + m_pre, false);
    }
}

void WaveTrigger::complete(qint64 zero, bool triggered)
{
    Window window;
    window.triggered = triggered;
    window.preTrigger = m_pre;
    window.length = m_ringSize;
    window.position = zero;
    const double period = double(m_settings.period);
    const qint64 start = zero - m_pre;
    for (auto &channel : window.points)
        channel.reserve(m_ringSize);
    for (qint64 p = qMax<qint64>(0, start); p < start + m_ringSize; ++p) {
        const int slot = int(p % m_ringSize);
        if (m_tags[slot] != p)
            continue;
        for (int c = 0; c < kChannels; ++c)
            window.points[size_t(c)].append(QPointF(double(p - zero) * period, m_ring[size_t(c)][slot]));
    }
    m_window = std::move(window);
    m_hasWindow = true;
    ++m_windows;
    m_sinceWindow = 0;
    m_state = m_settings.mode == Single ? Stopped : Armed;
}

bool WaveTrigger::takeWindow(Window *window)
{
    if (!m_hasWindow)
        return false;
    *window = std::move(m_window);
    m_window = Window();
    m_hasWindow = false;
    return true;
}
