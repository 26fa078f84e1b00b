// The reply matcher (judging replies in turn, and searching for one among
// other bytes) and the waveform stream parser on arbitrary bytes in
// arbitrary deliveries.
//
// Input: a header that says which replies are awaited and how the rest is cut
// into deliveries, then the bytes the drive sends.
//   byte 0           awaited records R = 1 + (b & 3)
//   2 bytes each     record: table index (b % 19); with bit 7 set, the next
//                    byte replaces its expected reply length, as pages do;
//                    bit 5 adds one send, bit 6 two (resends after 200 ms)
//   1 byte           delivery sizes D = 1 + (b & 7)
//   D bytes          delivery size b & 0x7F (0 allowed); bit 7 set: the
//                    delivery comes 100 s after the one before, else 1 ms
//   the rest         the stream
// Each accepted reply moves on to the next awaited record.

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

bool validFrameAt(const QByteArray &bytes, int at)
{
    if (at + FrameFormat::kHeaderSize > bytes.size() || uint8_t(bytes.at(at)) != FrameFormat::kHead)
        return false;
    const int length = uint8_t(bytes.at(at + 3));
    return length >= FrameFormat::kOverhead && at + length <= bytes.size() && frameIsValid(bytes.mid(at, length));
}

struct Awaited {
    Frame record;
    int sends = 1;
};

// The matcher over every delivery: it holds at most kMaxPending bytes, and
// what it holds begins with a frame head and is the newest part of what was
// fed; it accepts only a whole frame with the awaited header and a good
// checksum, taken from what was fed, and followed there by what it holds;
// the payload a page copies is that reply's; late copies are expected only
// for the sends beyond the first and are only ever counted off.
void runMatcher(const QVector<Awaited> &awaited, const QVector<QByteArray> &chunks, const QVector<qint64> &times)
{
    ReplyMatcher matcher;
    QByteArray fed;
    int which = 0;
    QVector<qint64> sendTimes;
    auto startRecord = [&](qint64 now) {
        sendTimes.clear();
        for (int k = 0; k < awaited[which].sends; ++k)
            sendTimes.append(now + qint64(k) * ReplyMatcher::kResendAfterMs);
        matcher.takeEarlier(QByteArray(), now);
    };
    startRecord(0);
    for (int i = 0; i < chunks.size(); ++i) {
        const Frame &sent = awaited[which].record;
        const qint64 now = times[i];
        const QByteArray before = matcher.lastReply();
        const int lateBefore = matcher.lateCopies().size();
        fed += chunks[i];
        const ReplyMatcher::Result result = matcher.match(chunks[i], sent, now);
        const QByteArray &held = matcher.pending();
        FUZZ_CHECK(held.size() <= ReplyMatcher::kMaxPending);
        FUZZ_CHECK(fed.endsWith(held));
        FUZZ_CHECK(matcher.lateCopies().size() <= lateBefore);
        if (result != ReplyMatcher::Accepted) {
            FUZZ_CHECK(held.isEmpty() || uint8_t(held.at(0)) == FrameFormat::kHead);
            FUZZ_CHECK(matcher.lastReply() == before);
            if (result == ReplyMatcher::LateCopy)
                FUZZ_CHECK(held.isEmpty() && matcher.lateCopies().size() < lateBefore);
            continue;
        }
        const QByteArray reply = matcher.lastReply();
        FUZZ_CHECK(reply.size() == sent.rxLen && frameIsValid(reply));
        FUZZ_CHECK(uint8_t(reply.at(1)) == sent.cmd && uint8_t(reply.at(2)) == sent.subCmd);
        FUZZ_CHECK(fed.endsWith(reply + held));
        FUZZ_CHECK(matcher.replyPayload() == reinterpret_cast<const uint8_t *>(reply.constData()) + FrameFormat::kHeaderSize);
        // What a page gets, as the worker hands it on.
        Frame record = sent;
        record.rxData = const_cast<uint8_t *>(matcher.replyPayload());
        record.rxDataLen = uint8_t(reply.size() - FrameFormat::kOverhead);
        record.rxLen = uint8_t(~sent.rxLen); // a page may have changed it since
        FUZZ_CHECK(ReplyDispatch::copyPayload(record)
                   == reply.mid(FrameFormat::kHeaderSize, qMin(reply.size() - FrameFormat::kOverhead, ReplyDispatch::kMaxPayload)));
        matcher.expectLateCopies(sendTimes, now);
        FUZZ_CHECK(matcher.lateCopies().size() <= sendTimes.size() - 1);
        which = (which + 1) % awaited.size();
        startRecord(now);
    }
    const QByteArray left = matcher.takePending();
    FUZZ_CHECK(fed.endsWith(left) && matcher.pending().isEmpty());
    matcher.clear();
    FUZZ_CHECK(matcher.replyPayload() == nullptr && matcher.lastReply().isEmpty() && matcher.lateCopies().isEmpty());
}

// A reply behind whatever the stream holds: unless the stream itself holds
// a whole frame, which is judged first, the reply is found, however the
// bytes are split, and what follows it waits.
void runSearch(const Frame &sent, const QByteArray &stream, const QVector<QByteArray> &chunks)
{
    if (sent.rxLen < FrameFormat::kOverhead)
        return;
    const QByteArray reply = buildFrame(sent.cmd, sent.subCmd, QByteArray(sent.rxLen - FrameFormat::kOverhead, '\x5A'));
    const QByteArray all = stream + reply + "tail";
    for (int at = 0; at < stream.size(); ++at) {
        if (validFrameAt(all, at))
            return;
    }
    ReplyMatcher matcher;
    QByteArray rest = reply + "tail";
    bool accepted = false;
    for (const QByteArray &chunk : chunks)
        accepted = matcher.match(chunk, sent, 1) == ReplyMatcher::Accepted;
    for (int at = 0; !accepted && at < rest.size(); at += 5) {
        accepted = matcher.match(rest.mid(at, 5), sent, 1) == ReplyMatcher::Accepted;
        if (accepted)
            rest = rest.mid(at + 5);
    }
    FUZZ_CHECK(accepted);
    FUZZ_CHECK(matcher.lastReply() == reply);
    FUZZ_CHECK(QByteArray("tail").startsWith(matcher.pending() + (rest.size() <= 4 ? rest : QByteArray())));
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
        // Gaps in stream order, one per run of bad blocks, all accounted for.
        int lost = 0;
        for (int g = 0; g < r.gaps.size(); ++g) {
            FUZZ_CHECK(r.gaps[g].at <= r.samples.size() && r.gaps[g].at % WaveStreamParser::kSampleBytes == 0);
            FUZZ_CHECK(g == 0 || r.gaps[g].at > r.gaps[g - 1].at);
            lost += r.gaps[g].sampleSets;
        }
        FUZZ_CHECK(lost == r.badBlocks * WaveStreamParser::kSetsPerBlock);
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

    QVector<Awaited> awaited;
    const int records = 1 + (in.next() & 3);
    for (int i = 0; i < records; ++i) {
        const uint8_t choice = in.next();
        const uint8_t length = in.next();
        Frame f = initialCommandRecord(choice % Cmd::Count);
        if (choice & 0x80)
            f.rxLen = length;
        awaited.append(Awaited{f, 1 + ((choice >> 5) & 3) % 3});
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
    runSearch(awaited[0].record, stream, chunks);
    runParser(stream, chunks);
    return 0;
}
