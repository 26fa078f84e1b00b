#pragma once

#include "link/frame.h"

#include <QByteArray>
#include <QVector>

// Finds the reply to the record that was sent in the bytes the drive sends
// back. Bytes accumulate across calls and are read frame by frame: a whole
// frame (head, length, checksum) is judged as a unit, and bytes that cannot
// begin a frame are skipped up to the next 0x7E, so that junk or a frame
// nobody waits for never shifts the replies that follow it.
//
// A drive that answers slowly answers a request and its resends: after a
// reply has been accepted, the replies to the other sends of the same request
// (its late copies) may still come, and must not be taken for the reply to
// the next request, which often has the same command and length. The matcher
// therefore expects as many late copies as there were sends beyond the one
// answered, each within a window of time, and drops them when they come.
class ReplyMatcher
{
public:
    enum Result : quint8 {
        Accepted = 0,
        ChecksumMismatch = 1,
        HeaderMismatch = 2,
        LateCopy = 3, // only late copies of the previous reply, nothing else
        Incomplete = 0xFF,
    };

    // An accumulator untouched for this long is stale and is emptied first.
    static constexpr qint64 kStaleMs = 100000;
    // No reply is longer than 255 bytes; more than this in the accumulator is
    // junk, and only the newest bytes are kept.
    static constexpr int kMaxPending = 1024;
    // How long the drive waits before each resend; an answer to a send that
    // needed a resend comes no sooner than this after it ...
    static constexpr int kResendAfterMs = 200;
    // ... less what a report or a serial read is held before it is handed on.
    static constexpr int kLateSlackMs = 50;
    // A late copy comes at most this much later than the accepted reply's
    // delay says; after that it is taken as lost.
    static constexpr int kLateGraceMs = 300;

    struct LateWindow {
        qint64 fromMs = 0;
        qint64 untilMs = 0;
    };

    // Takes newly received bytes and judges the whole frames they complete
    // against `sent`. Stops at the accepted reply; what follows it waits.
    Result match(const QByteArray &chunk, const Frame &sent, qint64 nowMs);

    // Bytes that came while no request was waiting for its reply, before
    // the next one goes out. None of what is held then can be the reply to
    // the next request: whole frames and junk are dropped (late copies among
    // them are counted off), and a frame begun in it is dropped once complete.
    void takeEarlier(const QByteArray &earlier, qint64 nowMs);

    // After an accepted reply: the record was sent at `sendTimes` (oldest
    // first) and its reply accepted at `acceptedMs`. Expects a late copy for
    // every send not yet answered, by a good or a corrupted reply.
    void expectLateCopies(const QVector<qint64> &sendTimes, qint64 acceptedMs);
    // Late copies still expected, oldest first, and their frame header.
    const QVector<LateWindow> &lateCopies() const { return m_late; }
    QByteArray lateHeader() const { return m_reply.left(FrameFormat::kHeaderSize); }
    // Counts off one expected late copy (one found elsewhere), or all of them.
    void takeLateCopy();
    void forgetLateCopies() { m_late.clear(); }

    // Payload of the last accepted reply. It stays valid and unchanged until
    // the next reply is accepted or the matcher is cleared.
    const uint8_t *replyPayload() const;
    const QByteArray &lastReply() const { return m_reply; }

    // Bytes waiting for the next call.
    const QByteArray &pending() const { return m_pending; }
    QByteArray takePending();
    void clear();

    // Where in `bytes`, at or after `from`, a whole frame with a good
    // checksum begins whose first four bytes are `header`; -1 if none.
    static int findFrame(const QByteArray &bytes, const QByteArray &header, int from = 0);

private:
    enum class Step { Accepted, Consumed, Wait };
    // What a call saw besides an accepted reply.
    struct Seen {
        bool corrupted = false;
        bool mismatch = false;
        bool late = false;
    };
    Step judgeHead(const Frame *sent, qint64 nowMs, Seen *seen);
    void drop(int count);
    bool takeAsLateCopy(const uint8_t *frame, bool sentHeader, bool stale, qint64 nowMs);
    void expireLateCopies(qint64 nowMs);
    void startCall(qint64 nowMs);

    QByteArray m_pending;
    int m_staleBytes = 0; // leading bytes of m_pending that came before the request
    QByteArray m_reply;
    QVector<LateWindow> m_late;
    int m_corrupted = 0; // corrupted replies with the awaited header since takeEarlier()
    qint64 m_lastCall = 0;
    bool m_called = false;
};
