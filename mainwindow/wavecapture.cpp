#include "mainwindow/wavecapture.h"

#include <cmath>

void WaveCapture::setTiming(int capacity, float period)
{
    m_capacity = capacity;
    m_period = period;
}

WaveCapture::Batch WaveCapture::decode(const QByteArray &bytes)
{
    Batch batch;
    const int sets = bytes.size() / kSetBytes;
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    for (auto &list : batch)
        list.reserve(sets);
    for (int n = 0; n < sets; ++n) {
        for (int c = 0; c < kChannels; ++c) {
            const int at = kSetBytes * n + 2 * c;
            batch[size_t(c)].append(double(qint16(quint16(b[at] << 8 | b[at + 1]))));
        }
    }
    return batch;
}

bool WaveCapture::receive(const QByteArray &bytes, int threshold, Batch *batch)
{
    m_buffer.append(bytes);
    return m_buffer.size() >= threshold && takeBuffered(batch);
}

bool WaveCapture::takeBuffered(Batch *batch)
{
    *batch = decode(m_buffer);
    m_buffer.clear();
    return !(*batch)[0].isEmpty();
}

int WaveCapture::dropBefore(int shift)
{
    if (shift <= 0)
        return 0;
    // Points sit at whole periods: half a period tells them apart safely.
    const double edge = (shift - 0.5) * double(m_period);
    const double back = shift * double(m_period);
    int dropped = 0;
    for (int c = 0; c < kChannels; ++c) {
        QVector<QPointF> &list = m_raw[size_t(c)];
        int n = 0;
        while (n < list.size() && list[n].x() < edge)
            ++n;
        list.remove(0, n);
        for (QPointF &p : list)
            p.rx() -= back;
        if (c == 0)
            dropped = n;
    }
    m_next = qMax(0, m_next - shift);
    return dropped;
}

int WaveCapture::append(const Batch &batch)
{
    const int m = batch[0].size();
    // Of a batch bigger than the whole capacity only the newest points stay.
    const int skip = qMax(0, m - m_capacity);
    m_next += skip;
    const int went = dropBefore(m_next + m - skip - m_capacity) + skip;
    for (int c = 0; c < kChannels; ++c) {
        QVector<QPointF> &list = m_raw[size_t(c)];
        const QVector<double> &values = batch[size_t(c)];
        const int end = qMin(m, values.size());
        list.reserve(list.size() + qMax(0, end - skip));
        // Values are kept at single precision, as the drive sends them.
        for (int i = skip; i < end; ++i)
            list.append(QPointF((m_next + i - skip) * double(m_period), double(float(values[i]))));
    }
    m_next += m - skip;
    return went;
}

void WaveCapture::gap(int sets)
{
    if (sets <= 0)
        return;
    // A loss longer than the window leaves nothing stored either way.
    m_next += qMin(sets, m_capacity);
    dropBefore(m_next - m_capacity);
}

void WaveCapture::setPoints(int channel, const QVector<QPointF> &points)
{
    m_raw[size_t(channel)] = points;
    m_next = 0;
    for (const auto &list : m_raw) {
        if (!list.isEmpty())
            m_next = qMax(m_next, int(std::lround(list.last().x() / double(m_period))) + 1);
    }
}

void WaveCapture::clear()
{
    for (auto &list : m_raw)
        list.clear();
    m_next = 0;
}

QVector<QPointF> WaveCapture::displayed(const QVector<QPointF> &raw, float scale, int offset, Span *span)
{
    QVector<QPointF> out(raw.size());
    double lo = 0, hi = 0;
    const double s = double(scale);
    for (int i = 0; i < raw.size(); ++i) {
        const double y = s * raw[i].y() + offset;
        out[i] = QPointF(raw[i].x(), y);
        lo = i ? qMin(lo, y) : y;
        hi = i ? qMax(hi, y) : y;
    }
    if (span)
        *span = Span{raw.isEmpty(), lo, hi};
    return out;
}

double WaveCapture::valueExtent(const std::array<Span, kChannels> &spans)
{
    float extent = 0;
    for (const Span &s : spans) {
        if (!s.empty)
            extent = qMax(extent, float(qMax(std::abs(s.low), std::abs(s.high))));
    }
    return extent < 15 ? 15.0 : double(extent);
}

bool WaveCapture::scrollTimeAxis(double lower, double upper, int positions, float period, double *newLower,
                                 double *newUpper)
{
    if (upper / double(period) >= positions)
        return false;
    const double end = positions * double(period);
    *newLower = end - (upper - lower);
    *newUpper = end;
    return true;
}

double WaveCapture::wholeWindow(int capacity, float period)
{
    // The single-precision period makes 100000 x 0.0001 come out just below
    // 10; truncating that would cut the newest second off the fully
    // zoomed-out view, so round to the microsecond first.
    return std::trunc(std::round(double(float(capacity) * period) * 1e6) / 1e6);
}

void WaveCapture::horizontalRange(int dial, double lower, double upper, int capacity, float period, double *min,
                                  double *max)
{
    const double whole = wholeWindow(capacity, period);
    const double width = whole * std::pow(2.0, -dial / 9.0);
    const double centre = (lower + upper) / 2;
    *min = centre - width / 2;
    *max = centre + width / 2;
    if (*max > whole) {
        *max = whole;
        *min = whole - width;
    }
    if (*min < 0) {
        *min = 0;
        *max = width;
    }
    if (*min >= *max)
        *max = *min + 400 * double(period);
}

void WaveCapture::verticalRange(int dial, double lower, double upper, double *min, double *max)
{
    const double span = std::pow(2.0, (50 - dial) * 0.5);
    const double centre = (lower + upper) / 2;
    *min = centre - span / 2;
    *max = centre + span / 2;
}

int WaveCapture::verticalDialFor(double lower, double upper)
{
    return 50 - int(std::trunc(2 * std::log2(std::abs(upper - lower) * 1.2)));
}

int WaveCapture::wrapGuard(int previous, int value, int minimum, int maximum)
{
    const int half = (maximum - minimum) / 2;
    if (previous == maximum && value <= half)
        return maximum;
    if (previous == minimum && value >= half)
        return minimum;
    return value;
}
