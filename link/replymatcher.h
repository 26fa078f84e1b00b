#pragma once

#include "link/frame.h"

#include <QByteArray>

// Matches the bytes the drive sends back against the record that was sent.
// Bytes accumulate across calls; every decision consumes exactly one expected
// reply length, and anything beyond it waits for the next call.
class ReplyMatcher
{
public:
    enum Result : quint8 {
        Accepted = 0,
        ChecksumMismatch = 1,
        HeaderMismatch = 2,
        Incomplete = 0xFF,
    };

    // An accumulator untouched for this long is stale and is emptied first.
    static constexpr qint64 kStaleMs = 100000;
    // No reply is longer than 255 bytes; more than this in the accumulator is
    // junk, and only the newest bytes are kept.
    static constexpr int kMaxPending = 1024;

    Result match(const QByteArray &chunk, const Frame &sent, qint64 nowMs);

    // For the acknowledgement of a waveform start only: when the drive took
    // an earlier start whose acknowledgement was lost, its blocks are already
    // streaming and the acknowledgement of the resent start comes somewhere
    // among them. Looks for the whole reply (head, command, sub-command,
    // length and checksum) anywhere in the bytes gathered; what comes before
    // it is dropped, what follows waits in pending(). Until it is found only
    // the bytes that could begin it are kept.
    Result findReply(const QByteArray &chunk, const Frame &sent, qint64 nowMs);

    // Payload of the last accepted reply. It stays valid and unchanged until
    // the next reply is accepted or the matcher is cleared.
    const uint8_t *replyPayload() const;
    const QByteArray &lastReply() const { return m_reply; }

    // Bytes waiting for the next call.
    const QByteArray &pending() const { return m_pending; }
    QByteArray takePending();
    void clear();

private:
    QByteArray m_pending;
    QByteArray m_reply;
    qint64 m_lastCall = 0;
    bool m_called = false;
};
