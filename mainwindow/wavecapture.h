#pragma once

// The captured waveform: four channels of points decoded from the drive's
// sample stream, kept up to a capacity and shifted in time as new points
// push the oldest out; and the rules of the page's axes and dials.
//
// Every point sits at a whole sample position (x = position * period).
// Sample sets the stream lost leave their positions empty, so the time
// after a loss stays true; the window of `capacity` positions is what is
// kept, which also bounds the points per channel.

#include <QByteArray>
#include <QPointF>
#include <QVector>
#include <array>

class WaveCapture
{
public:
    static constexpr int kChannels = 4;
    static constexpr int kSetBytes = 8;

    using Batch = std::array<QVector<double>, kChannels>;

    // The lowest and highest value of a list of points.
    struct Span {
        bool empty = true;
        double low = 0;
        double high = 0;
    };

    void setTiming(int capacity, float period);
    int capacity() const { return m_capacity; }
    float period() const { return m_period; }

    // Gathers sample bytes; once at least `threshold` bytes wait, decodes
    // every whole sample set into `batch` and empties the buffer (a trailing
    // part of a set is dropped). Returns whether a batch was decoded.
    bool receive(const QByteArray &bytes, int threshold, Batch *batch);
    // Decodes the whole sample sets still waiting below the threshold and
    // empties the buffer; false when none waited.
    bool takeBuffered(Batch *batch);
    void clearReceiveBuffer() { m_buffer.clear(); }
    int buffered() const { return m_buffer.size(); }
    static Batch decode(const QByteArray &bytes);

    // Appends a batch of equal-length lists at the next sample positions;
    // the points that fall out of the window go and the rest move back in
    // time. Returns how many went.
    int append(const Batch &batch);
    // `sets` sample sets were lost: the next batch starts that much later.
    void gap(int sets);
    // Replaces the points of one channel (an imported file); their x are
    // whole sample periods.
    void setPoints(int channel, const QVector<QPointF> &points);
    void clear();
    const QVector<QPointF> &raw(int channel) const { return m_raw[size_t(channel)]; }
    int count() const { return m_raw[0].size(); }
    // The sample positions the stored points span, lost sets included: the
    // position of the next sample set.
    int length() const { return m_next; }
    // Points of the longest channel: after an import the channels may differ.
    int longest() const
    {
        int n = 0;
        for (const auto &channel : m_raw)
            n = qMax(n, channel.size());
        return n;
    }

    // The points as the curve shows them: (x, scale * y + offset).
    static QVector<QPointF> displayed(const QVector<QPointF> &raw, float scale, int offset, Span *span);

    // --- Axes and dials -----------------------------------------------------
    // The value axis: +-15, or +-the largest extent of the displayed lists.
    static double valueExtent(const std::array<Span, kChannels> &spans);
    // When the stored sample positions run past the time axis, the range that
    // keeps its width and ends at the newest one; false when it need not move.
    static bool scrollTimeAxis(double lower, double upper, int positions, float period, double *newLower,
                               double *newUpper);
    // The time window the capacity holds, in whole seconds.
    static double wholeWindow(int capacity, float period);
    // The time range the horizontal dial shows.
    static void horizontalRange(int dial, double lower, double upper, int capacity, float period, double *min,
                                double *max);
    // The value range the vertical dial shows, around the current centre.
    static void verticalRange(int dial, double lower, double upper, double *min, double *max);
    // The vertical dial position that matches a value range.
    static int verticalDialFor(double lower, double upper);
    // A dial that would jump from one end to the other stays at the end.
    static int wrapGuard(int previous, int value, int minimum, int maximum);

private:
    // Drops the points before sample position `shift` and moves the rest
    // back by as many periods; returns how many points of channel A went.
    int dropBefore(int shift);

    int m_capacity = 10000;
    float m_period = 0.001f;
    int m_next = 0;
    QByteArray m_buffer;
    std::array<QVector<QPointF>, kChannels> m_raw;
};
