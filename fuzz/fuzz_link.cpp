// The reply matcher (judging replies in turn, and searching for one among
// other bytes) and the waveform stream parser on arbitrary bytes in
// arbitrary deliveries.
//
// Input: a header that says which replies are awaited and how the rest is cut
// into deliveries, then the bytes the drive sends.
//   byte 0           awaited records R = 1 + (b & 3)
//   2 bytes each     record: table index (b % 19); with bit 7 set, the next
//                    byte replaces its expected reply length, as pages do
//   1 byte           delivery sizes D = 1 + (b & 7)
//   D bytes          delivery size b & 0x7F (0 allowed); bit 7 set: the
//                    delivery comes 100 s after the one before, else 1 ms
//   the rest         the stream
// Each decision of the matcher moves on to the next awaited record.

#include "fuzz/fuzzsupport.h"

#include "link/frame.h"
#include "link/replymatcher.h"
#include "link/waveparser.h"
#include "mainwindow/replydispatch.h"

#include <QVector>

namespace {

struct Cursor {
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    uint8_t next() { return at < size ? data[at++] : 0; }
};

struct Delivery {
    int size;
    qint64 stepMs;
};

// The matcher over every delivery, checked against a plain model of what it
// holds: it decides only on whole replies, consumes exactly one expected
// length per decision, accepts only bytes that were fed, and never holds
// more than kMaxPending bytes.
void runMatcher(const QVector<Frame> &awaited, const QVector<QByteArray> &chunks,
                const QVector<qint64> &times)
{
    ReplyMatcher matcher;
    QByteArray model;
    qint64 lastCall = 0;
    bool called = false;
    int which = 0;
    bool accepted = false;
    for (int i = 0; i < chunks.size(); ++i) {
        const Frame &sent = awaited[which];
        const qint64 now = times[i];
        if (called && now - lastCall >= ReplyMatcher::kStaleMs)
            model.clear();
        called = true;
        lastCall = now;
        model.append(chunks[i]);
        if (model.size() > ReplyMatcher::kMaxPending)
            model.remove(0, model.size() - ReplyMatcher::kMaxPending);

        const ReplyMatcher::Result result = matcher.match(chunks[i], sent, now);
        const int expected = qMax<int>(sent.rxLen, FrameFormat::kOverhead);
        FUZZ_CHECK(matcher.pending().size() <= ReplyMatcher::kMaxPending);
        if (result == ReplyMatcher::Incomplete) {
            FUZZ_CHECK(model.size() < expected);
            FUZZ_CHECK(matcher.pending() == model);
            continue;
        }
        FUZZ_CHECK(model.size() >= expected);
        const QByteArray decided = model.left(expected);
        model.remove(0, expected);
        FUZZ_CHECK(matcher.pending() == model);

        const auto *bytes = reinterpret_cast<const uint8_t *>(decided.constData());
        const bool headerOk = bytes[0] == FrameFormat::kHead && bytes[1] == sent.cmd && bytes[2] == sent.subCmd
                              && bytes[3] == sent.rxLen;
        if (result == ReplyMatcher::Accepted) {
            accepted = true;
            FUZZ_CHECK(headerOk);
            FUZZ_CHECK(matcher.lastReply() == decided);
            if (sent.rxLen >= FrameFormat::kOverhead)
                FUZZ_CHECK(frameIsValid(decided));
            // What a page gets: the payload behind rxData, as the window copies it.
            const uint8_t *payload = matcher.replyPayload();
            FUZZ_CHECK(payload == reinterpret_cast<const uint8_t *>(matcher.lastReply().constData())
                                      + FrameFormat::kHeaderSize);
            Frame record = sent;
            record.rxData = const_cast<uint8_t *>(payload);
            const int length = qMin(int(sent.rxLen) - FrameFormat::kOverhead, ReplyDispatch::kMaxPayload);
            FUZZ_CHECK(ReplyDispatch::copyPayload(record)
                       == (length > 0 ? decided.mid(FrameFormat::kHeaderSize, length) : QByteArray()));
        } else {
            FUZZ_CHECK(result == ReplyMatcher::HeaderMismatch || result == ReplyMatcher::ChecksumMismatch);
            FUZZ_CHECK((result == ReplyMatcher::HeaderMismatch) == !headerOk);
        }
        FUZZ_CHECK((matcher.replyPayload() != nullptr) == accepted);
        which = (which + 1) % awaited.size();
    }
    const QByteArray left = matcher.takePending();
    FUZZ_CHECK(left == model);
    FUZZ_CHECK(matcher.pending().isEmpty());
    matcher.clear();
    FUZZ_CHECK(matcher.replyPayload() == nullptr && matcher.lastReply().isEmpty());
}

// The search for a start's acknowledgement among other bytes: it accepts
// only a whole reply with the awaited header and a good checksum, the first
// one the bytes hold, whatever the split; until then it keeps fewer bytes
// than a reply has; after it, the rest waits.
void runSearch(const Frame &sent, const QVector<QByteArray> &chunks)
{
    const int expected = qMax<int>(sent.rxLen, FrameFormat::kOverhead);
    ReplyMatcher whole;
    QByteArray stream;
    for (const QByteArray &chunk : chunks)
        stream += chunk;
    const bool found = whole.findReply(stream, sent, 0) == ReplyMatcher::Accepted;

    ReplyMatcher matcher;
    QByteArray after;
    bool accepted = false;
    for (const QByteArray &chunk : chunks) {
        if (accepted) {
            after += chunk;
            continue;
        }
        accepted = matcher.findReply(chunk, sent, 1) == ReplyMatcher::Accepted;
        if (!accepted)
            FUZZ_CHECK(matcher.pending().size() < expected);
    }
    FUZZ_CHECK(accepted == found);
    if (!accepted)
        return;
    const QByteArray reply = matcher.lastReply();
    FUZZ_CHECK(reply == whole.lastReply());
    FUZZ_CHECK(matcher.pending() + after == whole.pending());
    FUZZ_CHECK(reply.size() == expected && stream.contains(reply));
    const auto *bytes = reinterpret_cast<const uint8_t *>(reply.constData());
    FUZZ_CHECK(bytes[0] == FrameFormat::kHead && bytes[1] == sent.cmd && bytes[2] == sent.subCmd
               && bytes[3] == sent.rxLen);
    FUZZ_CHECK(crc16(bytes, expected - 2) == quint16(bytes[expected - 2] << 8 | bytes[expected - 1]));
}

// The parser over every delivery: it never holds a whole block or junk, a
// block's samples are reported only when its sum agrees, and the split of
// the stream does not change what comes out.
void runParser(const QByteArray &stream, const QVector<QByteArray> &chunks)
{
    WaveStreamParser parser;
    QByteArray samples;
    int blocks = 0;
    int badBlocks = 0;
    for (const QByteArray &chunk : chunks) {
        const WaveStreamParser::Result r = parser.feed(chunk);
        FUZZ_CHECK(r.blocks >= 0 && r.badBlocks >= 0 && r.badBlocks <= r.blocks);
        FUZZ_CHECK(r.samples.size() == WaveStreamParser::kSampleBytes * (r.blocks - r.badBlocks));
        FUZZ_CHECK(parser.buffered() < WaveStreamParser::kBlockSize);
        if (!parser.synced())
            FUZZ_CHECK(parser.buffered() < WaveStreamParser::kMarkerSize);
        samples += r.samples;
        blocks += r.blocks;
        badBlocks += r.badBlocks;
    }
    FUZZ_CHECK(qint64(blocks) * WaveStreamParser::kBlockSize + parser.buffered() <= stream.size());

    WaveStreamParser whole;
    const WaveStreamParser::Result once = whole.feed(stream);
    FUZZ_CHECK(once.samples == samples);
    FUZZ_CHECK(once.blocks == blocks && once.badBlocks == badBlocks);
    FUZZ_CHECK(whole.buffered() == parser.buffered() && whole.synced() == parser.synced());

    parser.reset();
    FUZZ_CHECK(parser.buffered() == 0 && !parser.synced());
}

} // namespace

FUZZ_TARGET(fuzz_link)
{
    Fuzz::setUp();
    Cursor in{data, size};

    QVector<Frame> awaited;
    const int records = 1 + (in.next() & 3);
    for (int i = 0; i < records; ++i) {
        const uint8_t choice = in.next();
        const uint8_t length = in.next();
        Frame f = initialCommandRecord(choice % Cmd::Count);
        if (choice & 0x80)
            f.rxLen = length;
        awaited.append(f);
    }
    QVector<Delivery> pattern;
    const int sizes = 1 + (in.next() & 7);
    for (int i = 0; i < sizes; ++i) {
        const uint8_t b = in.next();
        pattern.append({b & 0x7F, (b & 0x80) ? ReplyMatcher::kStaleMs : 1});
    }

    const QByteArray stream = Fuzz::bytesOf(data + in.at, size - qMin(in.at, size));
    QVector<QByteArray> chunks;
    QVector<qint64> times;
    qint64 now = 0;
    int at = 0;
    for (int i = 0; i == 0 || (at < stream.size() && i < stream.size() + pattern.size()); ++i) {
        const Delivery &d = pattern[i % pattern.size()];
        chunks.append(stream.mid(at, d.size));
        now += d.stepMs;
        times.append(now);
        at += d.size;
    }
    // A pattern of empty deliveries only: the rest comes in one.
    if (at < stream.size()) {
        chunks.append(stream.mid(at));
        times.append(now + 1);
    }

    runMatcher(awaited, chunks, times);
    runSearch(awaited[0], chunks);
    runParser(stream, chunks);
    return 0;
}
