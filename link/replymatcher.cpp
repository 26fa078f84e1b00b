#include "link/replymatcher.h"
#include "link/linklog.h"

#include <cstring>

namespace {

// The length of the whole frame with a good checksum that begins at `at`, or 0.
int frameAt(const uint8_t *data, int size, int at)
{
    if (at + FrameFormat::kHeaderSize > size || data[at] != FrameFormat::kHead)
        return 0;
    const int length = data[at + 3];
    if (length < FrameFormat::kOverhead || at + length > size)
        return 0;
    const uint8_t *f = data + at;
    return crc16(f, length - 2) == quint16(f[length - 2] << 8 | f[length - 1]) ? length : 0;
}

QByteArray headerOf(const Frame &record)
{
    const char header[FrameFormat::kHeaderSize] = {char(FrameFormat::kHead), char(record.cmd), char(record.subCmd),
                                                   char(record.rxLen)};
    return QByteArray(header, FrameFormat::kHeaderSize);
}

} // namespace

int ReplyMatcher::findFrame(const QByteArray &bytes, const QByteArray &header, int from)
{
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
    for (int at = bytes.indexOf(header, from); at >= 0; at = bytes.indexOf(header, at + 1)) {
        if (frameAt(data, bytes.size(), at) > 0)
            return at;
    }
    return -1;
}

void ReplyMatcher::startCall(qint64 nowMs)
{
    if (m_called && nowMs - m_lastCall >= kStaleMs && !m_pending.isEmpty()) {
        qCDebug(lcLink) << "超时清除数据";
        m_pending.clear();
        m_staleBytes = 0;
    }
    m_called = true;
    m_lastCall = nowMs;
}

void ReplyMatcher::drop(int count)
{
    m_pending.remove(0, count);
    m_staleBytes = qMax(0, m_staleBytes - count);
}

void ReplyMatcher::expireLateCopies(qint64 nowMs)
{
    for (int i = m_late.size() - 1; i >= 0; --i) {
        if (m_late.at(i).untilMs < nowMs)
            m_late.remove(i);
    }
}

ReplyMatcher::Step ReplyMatcher::judgeHead(const Frame *sent, qint64 nowMs, Seen *seen)
{
    Seen &flags = *seen;
    const auto junk = [&](int count) {
        if (count > m_staleBytes)
            flags.mismatch = true;
        drop(count);
    };

    const int head = m_pending.indexOf(char(FrameFormat::kHead));
    if (head != 0) {
        junk(head < 0 ? m_pending.size() : head);
        if (head < 0)
            return Step::Wait;
    }
    const auto *data = reinterpret_cast<const uint8_t *>(m_pending.constData());
    const int size = m_pending.size();
    if (size < FrameFormat::kHeaderSize)
        return Step::Wait;
    const int length = data[3];
    if (length < FrameFormat::kOverhead) {
        junk(1);
        return Step::Consumed;
    }
    const bool stale = m_staleBytes > 0;
    const bool sentHeader = sent && data[1] == sent->cmd && data[2] == sent->subCmd && length == sent->rxLen;

    if (size < length) {
        // Unfinished. If a whole reply to the request already follows, this
        // 0x7E began no frame.
        const int reply = sent ? findFrame(m_pending, headerOf(*sent), 1) : -1;
        if (reply > 0) {
            junk(reply);
            return Step::Consumed;
        }
        return Step::Wait;
    }

    if (frameAt(data, size, 0) == length) {
        if (takeAsLateCopy(data, sentHeader, stale, nowMs)) {
            flags.late = true;
            drop(length);
            return Step::Consumed;
        }
        if (sentHeader && !stale) {
            m_reply = m_pending.left(length);
            m_late.clear(); // the drive answers in order: no older reply follows this one
            drop(length);
            return Step::Accepted;
        }
        // A frame nobody waits for.
        junk(length);
        return Step::Consumed;
    }

    // A bad checksum. Looking like the awaited reply, it is that reply
    // corrupted, unless a whole frame begins inside it; anything else is
    // skipped up to the next 0x7E.
    if (!sentHeader) {
        junk(1);
        return Step::Consumed;
    }
    const QByteArray header = headerOf(*sent);
    for (int at = 1; at < length; ++at) {
        if (frameAt(data, size, at) > 0) {
            junk(at);
            return Step::Consumed;
        }
        // The reply itself may have begun in there: wait until it is whole.
        const int have = qMin(size - at, FrameFormat::kHeaderSize);
        if (at + sent->rxLen > size && std::memcmp(data + at, header.constData(), size_t(have)) == 0)
            return Step::Wait;
    }
    if (!stale) {
        flags.corrupted = true;
        ++m_corrupted;
    }
    drop(length);
    return Step::Consumed;
}

bool ReplyMatcher::takeAsLateCopy(const uint8_t *frame, bool sentHeader, bool stale, qint64 nowMs)
{
    if (m_late.isEmpty() || m_reply.size() < FrameFormat::kHeaderSize
        || std::memcmp(frame, m_reply.constData(), FrameFormat::kHeaderSize) != 0)
        return false;
    // Sooner than a late copy can come, a frame like the awaited reply is that reply.
    if (sentHeader && !stale && nowMs < m_late.first().fromMs)
        return false;
    qCDebug(lcLink) << "late copy of the previous reply dropped";
    m_late.removeFirst();
    return true;
}

ReplyMatcher::Result ReplyMatcher::match(const QByteArray &chunk, const Frame &sent, qint64 nowMs)
{
    startCall(nowMs);
    m_pending.append(chunk);
    if (lcLink().isDebugEnabled())
        qCDebug(lcLink).noquote() << "Recv:" << QString::fromLatin1(chunk.toHex(' '));
    if (m_pending.size() > kMaxPending)
        drop(m_pending.size() - kMaxPending);
    expireLateCopies(nowMs);

    Seen flags;
    Step step;
    while ((step = judgeHead(&sent, nowMs, &flags)) == Step::Consumed) {
    }
    if (!m_pending.isEmpty() && lcLink().isDebugEnabled())
        qCDebug(lcLink).noquote() << "rawData_remain=" << m_pending.size() << " value:" << hexText(m_pending);
    if (step == Step::Accepted)
        return Accepted;
    if (flags.corrupted)
        return ChecksumMismatch;
    if (flags.mismatch)
        return HeaderMismatch;
    return flags.late && m_pending.isEmpty() ? LateCopy : Incomplete;
}

void ReplyMatcher::takeEarlier(const QByteArray &earlier, qint64 nowMs)
{
    startCall(nowMs);
    m_pending.append(earlier);
    if (m_pending.size() > kMaxPending)
        drop(m_pending.size() - kMaxPending);
    m_staleBytes = m_pending.size();
    m_corrupted = 0;
    expireLateCopies(nowMs);
    Seen flags;
    while (judgeHead(nullptr, nowMs, &flags) == Step::Consumed) {
    }
}

void ReplyMatcher::expectLateCopies(const QVector<qint64> &sendTimes, qint64 acceptedMs)
{
    m_late.clear();
    const int count = sendTimes.size() - 1 - m_corrupted;
    if (count <= 0 || m_reply.isEmpty())
        return;
    // Which send was answered is not known. If it was the first, the drive
    // takes this long to answer, and the last `count` sends are answered
    // that much after they went out; if it was a later one, fewer copies
    // come, and sooner: the windows cover both.
    const qint64 delay = acceptedMs - sendTimes.first();
    for (int k = sendTimes.size() - count; k < sendTimes.size(); ++k)
        m_late.append(LateWindow{sendTimes.at(k) + kResendAfterMs - kLateSlackMs, sendTimes.at(k) + delay + kLateGraceMs});
}

void ReplyMatcher::takeLateCopy()
{
    if (!m_late.isEmpty())
        m_late.removeFirst();
}

const uint8_t *ReplyMatcher::replyPayload() const
{
    if (m_reply.size() < FrameFormat::kOverhead)
        return nullptr;
    return reinterpret_cast<const uint8_t *>(m_reply.constData()) + FrameFormat::kHeaderSize;
}

QByteArray ReplyMatcher::takePending()
{
    QByteArray bytes;
    bytes.swap(m_pending);
    m_staleBytes = 0;
    return bytes;
}

void ReplyMatcher::clear()
{
    m_pending.clear();
    m_staleBytes = 0;
    m_reply.clear();
    m_late.clear();
    m_corrupted = 0;
    m_called = false;
    m_lastCall = 0;
}
