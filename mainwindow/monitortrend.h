#pragma once

// Monitor variables over time: the number a monitor value stands for, a
// point series of bounded size for the trend plot, and the CSV log written
// while the monitor query runs.

#include <QDateTime>
#include <QElapsedTimer>
#include <QIODevice>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace MonitorTrend {

// Curves a trend shows at once.
constexpr int kMaxCurves = 8;

// The number a raw monitor value shows, as text: the decimal formats as the
// table shows them (-1.5); bit fields, hexadecimal values and alarm codes as
// the integer their text stands for (the low 16 bits for the 16-bit ones).
QString numberText(quint32 raw, const QString &format, const QString &varType);

} // namespace MonitorTrend

// The points of one variable over time, in increasing time, in bounded
// memory. Until the capacity is reached every point is kept; then the
// stored points are merged four into two, keeping the lowest and the
// highest of each four, and from then on each bucket of 2^k new points is
// stored as its lowest and highest. The resolution of the whole trend thus
// halves each time it fills, but no peak or valley is ever lost.
class TrendSeries
{
public:
    static constexpr int kDefaultCapacity = 8192;

    explicit TrendSeries(int capacity = kDefaultCapacity);

    void append(double t, double value);
    void clear();
    // The stored points, then those of the bucket still being filled: its
    // lowest and highest, and its latest.
    QVector<QPointF> points() const;
    // Points each stored pair stands for (1 while nothing was merged).
    int bucket() const { return m_bucket; }

private:
    void merge();

    int m_capacity;
    int m_bucket = 1;
    QVector<QPointF> m_points;
    // The bucket being filled: how many points it has, its lowest (the
    // first of equal ones), its highest (the last of equal ones) and its
    // latest, which the trend shows until the bucket is stored.
    int m_openCount = 0;
    QPointF m_openLow, m_openHigh, m_openLast;
};

// The CSV log of the monitor query: a header line, then one line per query
// cycle with the local time (ISO 8601 with its offset from UTC), the
// seconds since the log started, and a field per variable (empty when the
// cycle did not read it). Every line is flushed as it is written, so that a
// crash of the tool loses at most the cycle in progress, and synced to the
// disk about once a second, so that a power cut loses about that much. The first failed write ends
// the log; what was written before stays.
class MonitorLog
{
public:
    struct Column {
        QString code, name, unit;
    };

    // Opens `path` for writing (an existing file is replaced).
    bool start(const QString &path, const QVector<Column> &columns, QString *error);
    // The same on a device the caller opened; the log owns it.
    bool start(std::unique_ptr<QIODevice> device, const QVector<Column> &columns, QString *error);
    // `fields` holds one text per column, in the order of the columns.
    bool append(const QDateTime &at, double seconds, const QStringList &fields, QString *error);
    void stop();

    bool isOpen() const { return bool(m_device); }
    const QVector<Column> &columns() const { return m_columns; }
    qint64 lines() const { return m_lines; }

private:
    bool write(const QString &line, QString *error);

    std::unique_ptr<QIODevice> m_device;
    QVector<Column> m_columns;
    qint64 m_lines = 0;
    QElapsedTimer m_synced;
};
