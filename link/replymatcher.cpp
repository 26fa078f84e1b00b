#include "link/replymatcher.h"
#include "link/linklog.h"

ReplyMatcher::Result ReplyMatcher::match(const QByteArray &chunk, const Frame &sent, qint64 nowMs)
{
    if (m_called && nowMs - m_lastCall >= kStaleMs && !m_pending.isEmpty()) {
        qCDebug(lcLink) << "超时清除数据";
        m_pending.clear();
    }
    m_called = true;
    m_lastCall = nowMs;

    m_pending.append(chunk);
    if (lcLink().isDebugEnabled())
        qCDebug(lcLink).noquote() << "Recv:" << QString::fromLatin1(chunk.toHex(' '));
    if (m_pending.size() > kMaxPending)
        m_pending.remove(0, m_pending.size() - kMaxPending);

    // A reply has at least a header and a checksum, whatever the table says.
    const int expected = qMax<int>(sent.rxLen, FrameFormat::kOverhead);
    if (m_pending.size() < expected)
        return Incomplete;

    const auto *bytes = reinterpret_cast<const uint8_t *>(m_pending.constData());
    Result result;
    if (bytes[0] != FrameFormat::kHead || bytes[1] != sent.cmd || bytes[2] != sent.subCmd
        || bytes[3] != sent.rxLen) {
        result = HeaderMismatch;
    } else if (crc16(bytes, expected - 2) != quint16(bytes[expected - 2] << 8 | bytes[expected - 1])) {
        result = ChecksumMismatch;
    } else {
        result = Accepted;
        m_reply = m_pending.left(expected);
    }

    m_pending.remove(0, expected);
    if (!m_pending.isEmpty() && lcLink().isDebugEnabled())
        qCDebug(lcLink).noquote() << "rawData_remain=" << m_pending.size()
                                  << " value:" << hexText(m_pending);
    return result;
}

ReplyMatcher::Result ReplyMatcher::findReply(const QByteArray &chunk, const Frame &sent, qint64 nowMs)
{
    m_called = true;
    m_lastCall = nowMs;
    m_pending.append(chunk);
    const int expected = qMax<int>(sent.rxLen, FrameFormat::kOverhead);
    const char header[FrameFormat::kHeaderSize] = {char(FrameFormat::kHead), char(sent.cmd), char(sent.subCmd),
                                                   char(sent.rxLen)};
    const QByteArray head = QByteArray::fromRawData(header, FrameFormat::kHeaderSize);
    for (int at = m_pending.indexOf(head); at >= 0 && at + expected <= m_pending.size();
         at = m_pending.indexOf(head, at + 1)) {
        const auto *bytes = reinterpret_cast<const uint8_t *>(m_pending.constData()) + at;
        if (crc16(bytes, expected - 2) == quint16(bytes[expected - 2] << 8 | bytes[expected - 1])) {
            if (at > 0)
                qCDebug(lcLink) << "reply found after" << at << "other bytes";
            m_reply = m_pending.mid(at, expected);
            m_pending.remove(0, at + expected);
            return Accepted;
        }
    }
    // Only a reply that has not fully arrived can start in the last
    // expected - 1 bytes; anything before them is no part of it.
    if (m_pending.size() > expected - 1)
        m_pending.remove(0, m_pending.size() - (expected - 1));
    return Incomplete;
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
    return bytes;
}

void ReplyMatcher::clear()
{
    m_pending.clear();
    m_reply.clear();
    m_called = false;
    m_lastCall = 0;
}
