#include "mainwindow/monitortrend.h"
#include "mainwindow/csvfield.h"

#include "app/regularfile.h"
#include "definitions/codes.h"

#include <QFile>
#include <QFileDevice>

namespace MonitorTrend {

QString numberText(quint32 raw, const QString &format, const QString &varType)
{
    // The decimal formats are numbers already; the others are tested in the
    // order the table's formatting tests them.
    if (format == QLatin1String("DISP_AS_DEC") || format == QLatin1String("DISP_AS_DEC_ONE_DOT")
        || format == QLatin1String("DISP_AS_DEC_TWO_DOT") || format == QLatin1String("DISP_AS_DEC_THREE_DOT"))
        return Codes::formatMonitorValue(raw, format, varType);
    if (format.contains(QLatin1String("DISP_AS_IO")) || format.contains(QLatin1String("DISP_AS_BIN")))
        return QString::number(raw & 0xFFFF);
    if (format.contains(QLatin1String("DISP_AS_HEX")))
        return QString::number(varType.contains(QLatin1String("int16")) ? raw & 0xFFFF : raw);
    if (format.contains(QLatin1String("DISP_AS_ALM")))
        return QString::number(qint16(raw & 0xFFFF));
    return QString::number(raw);
}


} // namespace MonitorTrend

namespace {

// The lowest (first of equal ones) and the highest (last of equal ones) of
// points [from, to), in time order.
void appendExtremes(QVector<QPointF> &out, const QVector<QPointF> &in, int from, int to)
{
    int low = from, high = from;
    for (int i = from + 1; i < to; ++i) {
        if (in[i].y() < in[low].y())
            low = i;
        if (in[i].y() >= in[high].y())
            high = i;
    }
    out.append(in[qMin(low, high)]);
    if (low != high)
        out.append(in[qMax(low, high)]);
}

} // namespace

TrendSeries::TrendSeries(int capacity)
    : m_capacity(qMax(8, (capacity + 3) / 4 * 4))
{
    m_points.reserve(m_capacity);
}

void TrendSeries::append(double t, double value)
{
    const QPointF p(t, value);
    if (m_bucket == 1) {
        m_points.append(p);
    } else {
        m_openLast = p;
        if (m_openCount == 0) {
            m_openLow = m_openHigh = p;
        } else {
            if (value < m_openLow.y())
                m_openLow = p;
            if (value >= m_openHigh.y())
                m_openHigh = p;
        }
        if (++m_openCount < m_bucket)
            return;
        // A full bucket of two or more points: its lowest and highest differ.
        m_points.append(m_openLow.x() < m_openHigh.x() ? m_openLow : m_openHigh);
        m_points.append(m_openLow.x() < m_openHigh.x() ? m_openHigh : m_openLow);
        m_openCount = 0;
    }
    if (m_points.size() >= m_capacity)
        merge();
}

void TrendSeries::merge()
{
    QVector<QPointF> merged;
    merged.reserve(m_capacity);
    for (int from = 0; from < m_points.size(); from += 4)
        appendExtremes(merged, m_points, from, qMin(from + 4, int(m_points.size())));
    m_points = merged;
    // Four single points, or two buckets of two points each, became one bucket.
    m_bucket = m_bucket == 1 ? 4 : 2 * m_bucket;
}

void TrendSeries::clear()
{
    m_points.clear();
    m_bucket = 1;
    m_openCount = 0;
}

QVector<QPointF> TrendSeries::points() const
{
    QVector<QPointF> all = m_points;
    if (m_openCount == 0)
        return all;
    const bool lowFirst = m_openLow.x() < m_openHigh.x();
    all.append(lowFirst ? m_openLow : m_openHigh);
    if (m_openHigh != m_openLow)
        all.append(lowFirst ? m_openHigh : m_openLow);
    if (m_openLast.x() > all.last().x())
        all.append(m_openLast);
    return all;
}

bool MonitorLog::start(const QString &path, const QVector<Column> &columns, QString *error)
{
    // Unbuffered: every line goes to the system as it is written, and a full
    // disk shows at that line.
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = file->errorString();
        return false;
    }
    return start(std::move(file), columns, error);
}

bool MonitorLog::start(std::unique_ptr<QIODevice> device, const QVector<Column> &columns, QString *error)
{
    m_device = std::move(device);
    m_columns = columns;
    m_lines = 0;
    QStringList header{QStringLiteral("time"), QStringLiteral("seconds")};
    for (const Column &c : columns) {
        QString title = c.code + QLatin1Char(' ') + c.name;
        if (!c.unit.isEmpty())
            title += QStringLiteral(" (%1)").arg(c.unit);
        header << csvField(title);
    }
    return write(header.join(QLatin1Char(',')), error);
}

bool MonitorLog::append(const QDateTime &at, double seconds, const QStringList &fields, QString *error)
{
    if (!m_device)
        return false;
    // The offset keeps the times of the hour a clock change repeats apart.
    QStringList line{at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs),
                     QString::number(seconds, 'f', 3)};
    for (int c = 0; c < m_columns.size(); ++c)
        line << csvField(fields.value(c));
    if (!write(line.join(QLatin1Char(',')), error))
        return false;
    ++m_lines;
    return true;
}

bool MonitorLog::write(const QString &line, QString *error)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    bool ok = m_device->write(bytes) == bytes.size();
    QString reason;
    if (ok) {
        if (auto *file = qobject_cast<QFileDevice *>(m_device.get())) {
            // Every line goes to the system, and about once a second from
            // the system's cache to the disk.
            if (!m_synced.isValid() || m_synced.hasExpired(1000)) {
                ok = RegularFile::syncToDisk(*file, &reason);
                m_synced.start();
            } else {
                ok = file->flush();
            }
        }
    }
    if (!ok) {
        if (error)
            *error = reason.isEmpty() ? m_device->errorString() : reason;
        stop();
    }
    return ok;
}

void MonitorLog::stop()
{
    if (m_device)
        m_device->close();
    m_device.reset();
}
