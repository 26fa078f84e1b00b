#pragma once

// The scope trigger of the waveform page: fed the decoded sample sets as
// they come, it finds the source channel's edge through a level to the
// exact sample and hands out the window of samples around it, time 0 at the
// trigger sample (negative times before it). The samples before the trigger
// come from a ring holding one whole window.
//
// Modes: auto shows a free-running window when no trigger comes within one
// window; normal shows only triggered windows and re-arms once a window is
// full (triggers during the window are ignored); single takes one window and
// stops. Off is not handled here: the page then plots the stream as it comes.
//
// An edge needs a sample on the far side of the level by more than the
// hysteresis before the crossing (rising: below level - hysteresis, then a
// sample at or above the level), so noise around the level does not trigger
// again and again. Lost sample sets leave the edge unknown until a sample is
// on the far side again: the two samples around a loss never make an edge.

#include "mainwindow/wavecapture.h"

#include <QPointF>
#include <QString>
#include <QVector>
#include <array>

class WaveTrigger
{
public:
    static constexpr int kChannels = WaveCapture::kChannels;
    static constexpr int kMaxPreTrigger = 90;

    enum Mode { Off, Auto, Normal, Single };
    enum Edge { Rising, Falling };
    enum State { Idle, Armed, Triggered, Stopped };

    struct Settings {
        Mode mode = Off;
        int source = 0;
        Edge edge = Rising;
        double level = 0;        // in the source channel's unit
        double coefficient = 1;  // the unit of one raw count; 0 stands for 1
        int preTrigger = 10;     // percent of the window before the trigger, 0 to 90
        double hysteresis = 0.02; // share of the source's span since arming
        int window = 1000;       // sample sets
        float period = 0.001f;   // seconds between sample sets
    };

    // A full window: per channel the points (time from the trigger, raw
    // value); positions the stream lost have no point.
    struct Window {
        std::array<QVector<QPointF>, kChannels> points;
        bool triggered = false;   // false: a free-running window of auto mode
        int preTrigger = 0;       // sample sets before time 0
        int length = 0;           // sample sets the window spans
        qint64 position = 0;      // the sample set at time 0, counted from arming
    };

    // Arms with these settings, the ring emptied.
    void setSettings(const Settings &settings);
    const Settings &settings() const { return m_settings; }
    // Arms again with the same settings.
    void arm() { setSettings(m_settings); }

    void feed(const WaveCapture::Batch &batch);
    // `sets` sample sets were lost before the next batch.
    void gap(int sets);

    State state() const { return m_state; }
    // Windows completed since arming.
    int windows() const { return m_windows; }
    // The newest window completed since the last take; false when none.
    bool takeWindow(Window *window);

    // The unit factor of a channel from its definition text: a missing,
    // unreadable, zero or infinite coefficient counts as 1.
    static double coefficient(const QString &text);
    // Sample sets before the trigger in a window.
    static int preTriggerSets(int window, int percent);

private:
    void take(qint64 position, const double *values);
    void complete(qint64 zero, bool triggered);

    Settings m_settings;
    State m_state = Idle;
    int m_pre = 0;
    int m_ringSize = 1;
    QVector<qint64> m_tags;                      // the position each ring slot holds
    std::array<QVector<double>, kChannels> m_ring;
    qint64 m_next = 0;                           // position of the next sample set
    qint64 m_trigger = 0;                        // of the window being filled
    qint64 m_end = 0;                            // its last position
    qint64 m_sinceWindow = 0;                    // sample sets since arming or the last window
    bool m_ready = false;                        // on the far side of the level
    bool m_seen = false;
    double m_low = 0, m_high = 0;                // the source's span since arming
    int m_windows = 0;
    bool m_hasWindow = false;
    Window m_window;
};
