#include "sim/driveendpoint.h"

#include "link/frame.h"
#include "link/waveparser.h"

#include <algorithm>

namespace {
bool parseCount(const QString &value, int *out)
{
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok || v < -1)
        return false;
    *out = v;
    return true;
}
} // namespace

QStringList FaultSwitches::names()
{
    return {QStringLiteral("drop-every"), QStringLiteral("corrupt-every"), QStringLiteral("split"),
            QStringLiteral("delay"), QStringLiteral("junk"), QStringLiteral("bad-sum-every"),
            QStringLiteral("stop-after"), QStringLiteral("hang-up-after"), QStringLiteral("silent-to")};
}

bool FaultSwitches::apply(const QString &name, const QString &value, QString *error)
{
    bool ok = true;
    if (name == QLatin1String("drop-every")) {
        ok = parseCount(value, &dropEvery);
    } else if (name == QLatin1String("corrupt-every")) {
        ok = parseCount(value, &corruptEvery);
    } else if (name == QLatin1String("split")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        ok = parseCount(parts.value(0), &splitBytes);
        splitGapMs = 0;
        if (ok && parts.size() > 1)
            ok = parseCount(parts.at(1), &splitGapMs);
    } else if (name == QLatin1String("delay")) {
        ok = parseCount(value, &delayMs);
    } else if (name == QLatin1String("junk")) {
        ok = parseCount(value, &junkBytes);
    } else if (name == QLatin1String("bad-sum-every")) {
        ok = parseCount(value, &badSumEvery);
    } else if (name == QLatin1String("stop-after")) {
        ok = parseCount(value, &stopAfter);
    } else if (name == QLatin1String("hang-up-after")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        ok = parseCount(parts.value(0), &hangUpAfter);
        comeBackMs = -1;
        if (ok && parts.size() > 1)
            ok = parseCount(parts.at(1), &comeBackMs);
    } else if (name == QLatin1String("silent-to")) {
        // A command byte, as 12 or 0x0C; -1 answers everything again.
        const int v = value.trimmed().toInt(&ok, 0);
        ok = ok && v >= -1 && v <= 0xFF;
        if (ok)
            silentTo = v;
    } else {
        if (error)
            *error = QStringLiteral("unknown switch: %1").arg(name);
        return false;
    }
    if (!ok && error)
        *error = QStringLiteral("bad value for %1: %2").arg(name, value);
    return ok;
}

QString FaultSwitches::describe() const
{
    return QStringLiteral("drop-every %1, corrupt-every %2, split %3:%4, delay %5, junk %6, bad-sum-every %7, "
                          "stop-after %8, hang-up-after %9:%10, silent-to %11")
        .arg(dropEvery)
        .arg(corruptEvery)
        .arg(splitBytes)
        .arg(splitGapMs)
        .arg(delayMs)
        .arg(junkBytes)
        .arg(badSumEvery)
        .arg(stopAfter)
        .arg(hangUpAfter)
        .arg(comeBackMs)
        .arg(silentTo);
}

DriveEndpoint::DriveEndpoint(const WaveGenerator::Settings &wave)
    : m_model(wave)
{
}

void DriveEndpoint::setFaults(const FaultSwitches &faults)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
}

FaultSwitches DriveEndpoint::faults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

bool DriveEndpoint::applyFault(const QString &name, const QString &value, QString *error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FaultSwitches changed = m_faults;
    if (!changed.apply(name, value, error))
        return false;
    m_faults = changed;
    return true;
}

void DriveEndpoint::setWaveSettings(const WaveGenerator::Settings &settings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.wave().setSettings(settings);
}

WaveGenerator::Settings DriveEndpoint::waveSettings() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.wave().settings();
}

void DriveEndpoint::receive(const QByteArray &bytes, int stream, qint64 nowUs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stats.bytesIn += quint64(bytes.size());
    if (!m_frameBuffer.isEmpty() && nowUs - m_lastInputUs > kInterByteTimeoutUs) {
        m_stats.rejectedBytes += quint64(m_frameBuffer.size());
        m_frameBuffer.clear();
    }
    m_lastInputUs = nowUs;
    m_frameBuffer.append(bytes);
    if (m_frameBuffer.size() > kMaxFrameBuffer) {
        const int excess = m_frameBuffer.size() - kMaxFrameBuffer;
        m_stats.rejectedBytes += quint64(excess);
        m_frameBuffer.remove(0, excess);
    }

    // Take every whole frame off the front; skip a byte at a time past junk.
    int pos = 0;
    const int size = m_frameBuffer.size();
    const auto *data = reinterpret_cast<const uint8_t *>(m_frameBuffer.constData());
    while (size - pos >= FrameFormat::kOverhead) {
        if (data[pos] != FrameFormat::kHead || data[pos + 3] < FrameFormat::kOverhead) {
            ++pos;
            ++m_stats.rejectedBytes;
            continue;
        }
        const int length = data[pos + 3];
        if (size - pos < length)
            break;
        const QByteArray frame = m_frameBuffer.mid(pos, length);
        if (!frameIsValid(frame)) {
            ++pos;
            ++m_stats.rejectedBytes;
            continue;
        }
        pos += length;
        ++m_stats.requests;
        handleFrame(frame, stream, nowUs);
    }
    m_frameBuffer.remove(0, pos);
}

void DriveEndpoint::handleFrame(const QByteArray &frame, int stream, qint64 nowUs)
{
    if (m_requests.size() >= kRequestLogSize)
        m_requests.removeFirst();
    m_requests.append(Request{nowUs, quint8(frame.at(1)), quint8(frame.at(2))});
    if (m_faults.silentTo >= 0 && uint8_t(frame.at(1)) == m_faults.silentTo)
        return; // a drive without this command
    // A start, also one that comes while streaming, begins the stream afresh.
    const bool start = uint8_t(frame.at(1)) == 0x0A && uint8_t(frame.at(2)) == 0x04;
    const QByteArray reply = m_model.handle(frame, nowUs);
    const bool started = start && m_model.streaming();
    if (started)
        m_waveStream = stream;
    if (reply.isEmpty())
        return;

    const quint64 number = ++m_stats.replies;
    if (m_faults.stopAfter >= 0 && number > quint64(m_faults.stopAfter)) {
        ++m_stats.repliesWithheld;
        return;
    }
    if (m_faults.dropEvery > 0 && number % quint64(m_faults.dropEvery) == 0) {
        ++m_stats.repliesDropped;
        return;
    }
    QByteArray out = reply;
    if (m_faults.corruptEvery > 0 && number % quint64(m_faults.corruptEvery) == 0) {
        out[out.size() - 1] = char(out.at(out.size() - 1) ^ 0x5A);
        ++m_stats.repliesCorrupted;
    }
    ++m_stats.repliesSent;
    const qint64 sentUs = schedule(out, stream, nowUs);
    // A drive acknowledges a start before its first block, however late the
    // acknowledgement goes out.
    if (started)
        m_model.holdStreamUntil(sentUs + DriveModel::kFirstBlockDelayUs);
    if (m_faults.hangUpAfter >= 0 && number >= quint64(m_faults.hangUpAfter))
        m_hangUp = true;
}

qint64 DriveEndpoint::schedule(const QByteArray &reply, int stream, qint64 nowUs)
{
    qint64 due = nowUs + qint64(m_faults.delayMs) * 1000;
    // Never overtake what is already waiting.
    if (!m_scheduled.isEmpty())
        due = qMax(due, m_scheduled.last().dueUs);
    if (m_faults.splitBytes <= 0) {
        m_scheduled.append(Output{due, stream, reply, false});
        return due;
    }
    for (int at = 0; at < reply.size(); at += m_faults.splitBytes) {
        if (at > 0)
            due += qint64(m_faults.splitGapMs) * 1000;
        m_scheduled.append(Output{due, stream, reply.mid(at, m_faults.splitBytes), false});
    }
    return due;
}

QByteArray DriveEndpoint::makeBlock()
{
    QByteArray block;
    for (int i = 0; i < m_faults.junkBytes; ++i)
        block.append(char(0x11 + (i * 37) % 0x80)); // never a marker byte
    ++m_stats.blocksSent;
    const bool bad = m_faults.badSumEvery > 0 && m_stats.blocksSent % quint64(m_faults.badSumEvery) == 0;
    if (bad)
        ++m_stats.blocksCorrupted;
    block.append(WaveStreamParser::makeBlock(m_model.takeBlock(), bad ? 1 : 0));
    return block;
}

QVector<DriveEndpoint::Output> DriveEndpoint::takeDue(qint64 nowUs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QVector<Output> due;
    m_stats.blocksSkipped += quint64(m_model.skipStaleBlocks(nowUs, kBlockBacklogUs));
    for (;;) {
        m_model.checkKeepAlive();
        const qint64 blockDue = m_model.nextBlockDueUs();
        const bool blockReady = blockDue >= 0 && blockDue <= nowUs;
        const bool replyReady = !m_scheduled.isEmpty() && m_scheduled.first().dueUs <= nowUs;
        if (!blockReady && !replyReady)
            break;
        if (replyReady && (!blockReady || m_scheduled.first().dueUs <= blockDue)) {
            due.append(m_scheduled.takeFirst());
        } else {
            due.append(Output{blockDue, m_waveStream, makeBlock(), true});
        }
    }
    return due;
}

qint64 DriveEndpoint::nextDueUs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    qint64 next = m_model.nextBlockDueUs();
    if (!m_scheduled.isEmpty() && (next < 0 || m_scheduled.first().dueUs < next))
        next = m_scheduled.first().dueUs;
    return next;
}

void DriveEndpoint::hostGone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.stopStreaming();
    m_scheduled.clear();
    m_frameBuffer.clear();
}

bool DriveEndpoint::takeHangUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hangUp)
        return false;
    m_hangUp = false;
    // Once is enough; the switch stays off after it fired.
    m_faults.hangUpAfter = -1;
    return true;
}

void DriveEndpoint::countHangUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_stats.hangUps;
}

QVector<DriveEndpoint::Request> DriveEndpoint::requestLog() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // A copy of its own: a shared one would be detached in the caller's
    // thread while the drive's thread appends to the original.
    return QVector<Request>(m_requests.cbegin(), m_requests.cend());
}

SimStats DriveEndpoint::stats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stats;
}

bool DriveEndpoint::streaming() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.streaming();
}

std::array<quint16, 4> DriveEndpoint::channelPositions() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.channelPositions();
}
