// The worker's loop, pass by pass, on a clock the test steps, exact to the millisecond.

#include "link/frame.h"
#include "link/linkengine.h"
#include "link/waveparser.h"
#include "mainwindow/replydispatch.h"

#include <QtTest>

#include <algorithm>
#include <deque>
#include <functional>
#include <thread>

namespace {

class FakeClock : public LinkClock
{
public:
    qint64 nowMs() override { return t; }
    void rest(std::condition_variable &, std::unique_lock<std::mutex> &, int ms) override
    {
        t += ms;
        ++rests;
    }
    qint64 t = 0;
    int rests = 0;
};

// A device whose input is scripted by time and whose writes are recorded.
class FakeTransport : public LinkTransport
{
public:
    struct Write { qint64 at; int pass; QByteArray bytes; };
    struct Scheduled { qint64 due; InputChunk chunk; };

    explicit FakeTransport(FakeClock &clock) : clock(clock) {}

    bool open(const LinkSettings &, int *) override { return true; }
    void close() override {}
    int maxWriteChunk() const override { return chunk; }

    int write(const QByteArray &frame, quint32, QString *error) override
    {
        if (failWrites > 0) {
            --failWrites;
            *error = QStringLiteral("refused");
            return -1;
        }
        const int n = qMin(frame.size(), chunk);
        writes.append(Write{clock.t, *passNumber, frame.left(n)});
        if (onFrame)
            onFrame(frame.left(n));
        return n;
    }

    ReadStatus read(int waitMs, QVector<InputChunk> *chunks, QString *) override
    {
        if (input.empty() || input.front().due > clock.t) {
            const qint64 until = input.empty() ? clock.t + waitMs : qMin(clock.t + waitMs, input.front().due);
            clock.t = qMax(clock.t, until);
        }
        if (!input.empty() && input.front().due <= clock.t) {
            chunks->append(input.front().chunk);
            input.pop_front();
        }
        return ReadStatus::Ok;
    }

    void deliver(qint64 due, const QByteArray &bytes, int holdMs = 5, int stream = 1)
    {
        const auto later = [](qint64 d, const Scheduled &s) { return d < s.due; };
        input.insert(std::upper_bound(input.begin(), input.end(), due, later),
                     Scheduled{due, InputChunk{stream, bytes, holdMs}});
    }

    FakeClock &clock;
    int chunk = 255;
    int failWrites = 0;
    int *passNumber = nullptr;
    QList<Write> writes;
    std::deque<Scheduled> input;
    std::function<void(const QByteArray &)> onFrame;
};

class Recorder : public LinkEvents
{
public:
    void replyAccepted(int index) override
    {
        replies.append(index);
        replyTimes.append(clock->t);
        if (index >= 0 && index < Cmd::Count)
            replyPayloads.append(ReplyDispatch::copyPayload(commandTable[index])); // as the window copies it
        if (autoAck)
            engine->acknowledge();
    }
    void linkState(quint16 state) override { states.append(state); }
    void sentCount(quint32 v) override { sent.append(v); }
    void receivedCount(quint32 v) override { received.append(v); }
    void errorCount(quint32 v) override
    {
        errors.append(v);
        errorTimes.append(clock->t);
    }
    void traffic(const QByteArray &bytes, quint8 direction) override
    {
        traffics.append({bytes, direction});
        trafficTimes.append(clock->t);
    }
    void idle() override { idles.append(clock->t); }
    void waveformSamples(const QByteArray &s) override { samples += s; }
    void waveformGap(int sets) override { gaps.append({samples.size(), sets}); }
    void debugMessage(int, const QByteArray &) override {}

    FakeClock *clock = nullptr;
    LinkEngine *engine = nullptr;
    bool autoAck = true;
    QList<int> replies;
    QList<qint64> replyTimes;
    QList<QByteArray> replyPayloads;
    QList<quint16> states;
    QList<quint32> sent, received, errors;
    QList<qint64> errorTimes;
    QList<QPair<QByteArray, quint8>> traffics;
    QList<qint64> trafficTimes;
    QList<qint64> idles;
    QByteArray samples;
    QList<QPair<int, int>> gaps; // samples received before the gap, sets lost
};

struct Rig {
    explicit Rig(int chunk = 255)
        : transport(clock)
        , engine(events, clock)
    {
        transport.chunk = chunk;
        events.clock = &clock;
        events.engine = &engine;
        transport.passNumber = &passes;
        resetCommandTable();
        engine.begin(&transport);
    }

    // The drive answers every frame of these commands after `delayMs`.
    void answer(std::function<QByteArray(const QByteArray &)> reply, int delayMs = 2)
    {
        transport.onFrame = [=](const QByteArray &frame) {
            const QByteArray r = reply(frame);
            if (!r.isEmpty())
                transport.deliver(clock.t + delayMs, r);
        };
    }

    void runFor(qint64 ms) { runUntil([] { return false; }, ms); }

    bool runUntil(const std::function<bool()> &done, qint64 limitMs = 5000)
    {
        const qint64 end = clock.t + limitMs;
        while (!done()) {
            if (clock.t >= end || engine.exitRequested())
                return done();
            ++passes;
            engine.pass();
        }
        return true;
    }

    // When the frames of one command (its two header bytes, in hex), or of all, went out.
    QList<qint64> sendTimes(const QByteArray &command = QByteArray()) const
    {
        QList<qint64> times;
        for (const auto &w : transport.writes)
            if (command.isEmpty() || w.bytes.mid(1, 2).toHex() == command)
                times.append(w.at);
        return times;
    }

    void queue(int index, uint8_t *payload = nullptr)
    {
        commandTable[index].txData = payload;
        engine.enqueue(commandTable[index]);
    }

    FakeClock clock;
    FakeTransport transport;
    Recorder events;
    LinkEngine engine;
    int passes = 0;
};

QByteArray echo(const QByteArray &frame)
{
    return buildFrame(uint8_t(frame.at(1)), uint8_t(frame.at(2)), QByteArray(2, '\0'));
}

QByteArray block(int seed)
{
    QByteArray samples;
    for (int i = 0; i < 200; ++i)
        samples.append(char(i + seed));
    return WaveStreamParser::makeBlock(samples);
}

} // namespace

class TestLinkEngine : public QObject
{
    Q_OBJECT

private slots:
    void fullExchange()
    {
        Rig rig;
        rig.answer([](const QByteArray &f) { return buildFrame(f.at(1), f.at(2), QByteArray::fromHex("1234")); });
        rig.engine.presetCounters(999999, 999999, 0); // the counters wrap to zero
        uint8_t payload[2] = {0, 0};
        rig.queue(Cmd::IdleQuery, payload);
        // The page reuses its buffer and changes the record at once; the payload has the reply's length.
        payload[0] = 0xFF;
        commandTable[Cmd::IdleQuery].rxLen = 20;
        QVERIFY(rig.runUntil([&] { return !rig.events.replies.isEmpty(); }));
        QCOMPARE(rig.transport.writes[0].bytes, QByteArray::fromHex("7E0E01080000FAE3"));
        QCOMPARE(rig.events.replyPayloads, QList<QByteArray>{QByteArray::fromHex("1234")});
        QCOMPARE(rig.events.states, QList<quint16>{1});
        QCOMPARE(rig.events.sent, QList<quint32>{0});
        QCOMPARE(rig.events.received, QList<quint32>{0});
        QCOMPARE(rig.events.replyTimes.first() - rig.transport.writes[0].at, 2 + 5);
    }

    // Resends 200 ms apart, errors when due, link ended or record given up; then one record at a time goes on.
    void failedExchanges_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("failWrites");
        QTest::addColumn<QList<qint64>>("sendAtMs");
        QTest::addColumn<QList<qint64>>("errorAtMs");
        QTest::addColumn<bool>("linkEnds");
        const QList<qint64> three{0, 200, 400};
        const QList<qint64> silence{200, 400, 600};
        QTest::newRow("silent, idle query") << int(Cmd::IdleQuery) << false << 0 << three << silence << true;
        QTest::newRow("silent, EEPROM version check") << int(Cmd::VersionCheck1) << false << 0 << three << silence << false;
        QTest::newRow("silent, factory reset") << int(Cmd::VersionCheck2) << false << 0 << three << silence << false;
        // 50 ms after the bad reply was handed on (2 ms late, held 5 ms), then the silence after it.
        QTest::newRow("first reply has a bad sum") << int(Cmd::IdleQuery) << true << 0 << QList<qint64>{0, 200}
                                                   << QList<qint64>{57, 200} << false;
        QTest::newRow("two failed writes") << int(Cmd::IdleQuery) << true << 2 << QList<qint64>{0} << QList<qint64>() << false;
        QTest::newRow("three failed writes") << int(Cmd::IdleQuery) << true << 3 << QList<qint64>() << QList<qint64>() << true;
    }

    void failedExchanges()
    {
        QFETCH(int, index);
        QFETCH(bool, answers);
        QFETCH(int, failWrites);
        QFETCH(QList<qint64>, sendAtMs);
        QFETCH(QList<qint64>, errorAtMs);
        QFETCH(bool, linkEnds);
        Rig rig;
        rig.transport.failWrites = failWrites;
        int replies = 0;
        rig.answer([&](const QByteArray &f) {
            QByteArray r = echo(f);
            if (replies++ == 0 && failWrites == 0)
                r[7] = char(r.at(7) ^ 1);
            return answers ? r : QByteArray();
        });
        rig.queue(index);
        rig.runFor(2000);
        QCOMPARE(rig.engine.exitRequested(), linkEnds);
        QCOMPARE(rig.sendTimes(), sendAtMs);
        QCOMPARE(rig.events.errorTimes, errorAtMs);
        QCOMPARE(rig.events.errors.isEmpty() ? 0u : rig.events.errors.last(), quint32(errorAtMs.size()));
        QCOMPARE(rig.events.replies.size(), answers && !linkEnds ? 1 : 0);
        if (linkEnds)
            return;
        rig.answer(echo, 30);
        rig.queue(Cmd::IdleQuery);
        rig.queue(Cmd::IdleQuery);
        const int before = rig.events.replies.size();
        QVERIFY(rig.runUntil([&] { return rig.events.replies.size() == before + 2; }));
        QVERIFY(rig.transport.writes.last().at >= rig.events.replyTimes[before]);
    }

    // A long frame leaves in two consecutive passes; over 205 bytes in are handed on at once, whatever their hold.
    void longFramesBothWays()
    {
        Rig rig(61);
        commandTable[Cmd::ReadParamList].txLen = 119;
        QByteArray payload(113, '\0');
        for (int i = 0; i < payload.size(); ++i)
            payload[i] = char(i);
        rig.queue(Cmd::ReadParamList, reinterpret_cast<uint8_t *>(payload.data()));
        rig.runFor(3);
        QCOMPARE(rig.transport.writes.size(), 2);
        QCOMPARE(rig.transport.writes[0].bytes.size(), 61);
        QCOMPARE(rig.transport.writes[1].pass, rig.transport.writes[0].pass + 1);
        QCOMPARE(rig.transport.writes[0].bytes + rig.transport.writes[1].bytes,
                 buildRequest(commandTable[Cmd::ReadParamList], payload));

        const qint64 t0 = rig.clock.t;
        for (int i = 0; i < 4; ++i)
            rig.transport.deliver(t0 + 1 + i, QByteArray(61, char(i)), 10);
        QVERIFY(rig.runUntil([&] { return rig.events.traffics.size() == 2; }, 100));
        QCOMPARE(rig.events.traffics[1].first.size(), 244);
        QCOMPARE(rig.events.trafficTimes.last(), t0 + 4);
    }

    // Blocks kept from the acknowledgement's read, a bad sum an error and a gap; keep-alives every 100 ms until the stop.
    void waveformMode()
    {
        Rig rig;
        rig.answer([](const QByteArray &f) {
            return f.at(2) == 0x04 ? echo(f) + block(1) + block(2).left(100) : QByteArray();
        });
        rig.queue(Cmd::WaveStart);
        QVERIFY(rig.runUntil([&] { return !rig.events.replies.isEmpty(); }));
        QByteArray bad = block(9);
        bad[100] = char(bad.at(100) + 1);
        rig.transport.deliver(rig.clock.t + 3, block(2).mid(100) + bad + bad + block(3));
        rig.runFor(1000);
        QCOMPARE(rig.events.samples, block(1).mid(4, 200) + block(2).mid(4, 200) + block(3).mid(4, 200));
        QCOMPARE(rig.events.gaps, (QList<QPair<int, int>>{{400, 50}}));
        QCOMPARE(rig.events.received.last(), 4u);
        QCOMPARE(rig.events.errors, (QList<quint32>{1, 2}));
        const QList<qint64> keepAlives = rig.sendTimes("0a06");
        QVERIFY(keepAlives.size() >= 10);
        QVERIFY(keepAlives.first() - rig.events.replyTimes.first() <= 2);
        for (int i = 1; i < keepAlives.size(); ++i)
            QCOMPARE(keepAlives[i] - keepAlives[i - 1], 100);

        rig.queue(Cmd::WaveStop);
        rig.runFor(10);
        const int writes = rig.transport.writes.size();
        rig.runFor(500);
        QCOMPARE(rig.transport.writes.size(), writes);
    }

    // A start sent again (its acknowledgement late or lost): only one stream's blocks are captured.
    void startSentTwiceNeverSplicesTwoStreams_data()
    {
        QTest::addColumn<bool>("firstAcknowledged");
        QTest::addColumn<bool>("secondTaken");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("first acknowledgement lost") << false << true << 1;
        QTest::newRow("acknowledged late, both starts taken") << true << true << 250;
        QTest::newRow("acknowledged late, the second start lost") << true << false << 250;
    }

    void startSentTwiceNeverSplicesTwoStreams()
    {
        QFETCH(bool, firstAcknowledged);
        QFETCH(bool, secondTaken);
        QFETCH(int, delayMs);
        Rig rig;
        int starts = 0;
        auto stream = [&](qint64 ackAt, int seed) {
            for (int k = 0; k < 300; ++k)
                rig.transport.deliver(ackAt + 20 + 3 * k, block(seed + k), 1);
        };
        rig.transport.onFrame = [&](const QByteArray &f) {
            if (f.mid(1, 2).toHex() != "0a04")
                return;
            const qint64 ackAt = rig.clock.t + delayMs;
            if (++starts == 1) {
                if (firstAcknowledged)
                    rig.transport.deliver(ackAt, echo(f), 1);
                stream(ackAt, 100);
            } else if (secondTaken) {
                while (!rig.transport.input.empty() && rig.transport.input.back().due > ackAt)
                    rig.transport.input.pop_back();
                rig.transport.deliver(ackAt, echo(f), 1);
                stream(ackAt, 0);
            }
        };
        rig.queue(Cmd::WaveStart);
        rig.runFor(1000);
        QCOMPARE(starts, 2);
        QByteArray expected;
        for (int k = 0; k < 300; ++k)
            expected += block((secondTaken ? 0 : 100) + k).mid(4, 200);
        QVERIFY(rig.events.samples.size() >= 200 * 100);
        QCOMPARE(rig.events.samples, expected.left(rig.events.samples.size()));
    }

    // A query queued behind the stop waits for the stream's last (cut) block, then is answered at once.
    void queryRightAfterTheStopIsNotConfusedWithTheLastBlocks_data()
    {
        QTest::addColumn<bool>("obeysStop");
        QTest::newRow("drive stops at once") << true;
        QTest::newRow("drive missed the stop and streams until its keep-alive check") << false;
    }

    void queryRightAfterTheStopIsNotConfusedWithTheLastBlocks()
    {
        QFETCH(bool, obeysStop);
        const int latencyMs = 8;
        Rig rig;
        qint64 lastKeepAlive = 0;
        qint64 stoppedAt = 0;
        qint64 lastBlockDue = 0;
        rig.transport.onFrame = [&](const QByteArray &f) {
            const QByteArray command = f.mid(1, 2).toHex();
            const qint64 t = rig.clock.t;
            if (command == "0a04") {
                rig.transport.deliver(t + 2, echo(f));
                lastKeepAlive = t;
                for (int k = 0; k < 1000; ++k)
                    rig.transport.deliver(t + 20 + 3 * k, block(k), 1);
            } else if (command == "0a06") {
                lastKeepAlive = t;
            } else if (command == "0a05") {
                const qint64 cutoff = obeysStop ? t + latencyMs : lastKeepAlive + 1000;
                while (!rig.transport.input.empty() && rig.transport.input.back().due > cutoff)
                    rig.transport.input.pop_back();
                rig.transport.input.back().chunk.bytes.truncate(100);
                stoppedAt = t;
                lastBlockDue = rig.transport.input.back().due;
            } else if (command == "0e01") {
                rig.transport.deliver(t + 2, echo(f));
            }
        };
        rig.queue(Cmd::WaveStart);
        QVERIFY(rig.runUntil([&] { return rig.events.samples.size() >= 200 * 50; }));
        rig.queue(Cmd::WaveStop);
        rig.queue(Cmd::IdleQuery);
        QVERIFY(rig.runUntil([&] { return rig.events.replies.size() == 2; }, 3000));
        rig.runFor(100);

        QCOMPARE(rig.events.replies, (QList<int>{Cmd::WaveStart, Cmd::IdleQuery}));
        QVERIFY(rig.events.errors.isEmpty());
        const QList<qint64> queries = rig.sendTimes("0e01");
        QCOMPARE(queries.size(), 1);
        QVERIFY(queries.first() >= lastBlockDue + LinkEngine::kDrainQuietMs);
        QVERIFY(queries.first() <= qMax(stoppedAt + latencyMs, lastBlockDue) + LinkEngine::kDrainQuietMs + 5);
        const int wholeBlocks = rig.events.samples.size() / 200;
        QByteArray expected;
        for (int k = 0; k < wholeBlocks; ++k)
            expected += block(k).mid(4, 200);
        QCOMPARE(rig.events.samples, expected);
        QCOMPARE(rig.events.received.last(), quint32(wholeBlocks + 2));
    }

    // Idle is checked after each rest, so at most one rest late; the loop rests only on a quiet link.
    void idleIsSignalledASecondAfterTheLastTransmission()
    {
        Rig rig;
        rig.answer(echo);
        rig.runFor(1100);
        QCOMPARE(rig.events.idles.size(), 1);
        const int rests = rig.clock.rests;
        for (int i = 0; i < 20; ++i) {
            rig.queue(Cmd::IdleQuery);
            QVERIFY(rig.runUntil([&] { return rig.events.replies.size() == i + 1; }));
        }
        QCOMPARE(rig.clock.rests, rests);
        const qint64 sendAt = rig.transport.writes.last().at;
        rig.runFor(2500);
        QVERIFY(rig.clock.rests >= rests + 40);
        QCOMPARE(rig.events.idles.size(), 3);
        QVERIFY(rig.events.idles[1] >= sendAt + 1000 && rig.events.idles[1] <= sendAt + 1000 + LinkEngine::kRestMs);
        const qint64 repeat = rig.events.idles[2] - rig.events.idles[1];
        QVERIFY(repeat >= 1000 && repeat <= 1000 + LinkEngine::kRestMs + 1);
    }

    // A flood stays bounded, each dropped message an error; garbage on any stream never crashes and completes no reply.
    void floodAndGarbageFromTheDevice()
    {
        Rig rig(61);
        for (int i = 0; i < 2000; ++i)
            rig.transport.deliver(rig.clock.t + i / 4, QByteArray(30, char(i)), 0, 2);
        rig.runFor(1000);
        QCOMPARE(rig.engine.waitingMessages(2), LinkEngine::kMaxWaitingMessages);
        QCOMPARE(rig.events.errors.size(), 2000 - LinkEngine::kMaxWaitingMessages);

        QRandomGenerator rng(1234);
        for (int i = 0; i < 3000; ++i) {
            QByteArray junk(int(rng.bounded(300)), '\0');
            for (auto &c : junk)
                c = char(rng.bounded(256));
            if (i % 17 == 0)
                junk.prepend(QByteArray::fromHex("7E0E0108"));
            rig.transport.deliver(rig.clock.t + i / 3, junk, int(rng.bounded(12)), int(rng.bounded(7)) - 1);
        }
        rig.queue(Cmd::IdleQuery);
        rig.queue(Cmd::WaveStart);
        rig.runFor(3000);
        QVERIFY(rig.engine.exitRequested());
        QVERIFY(rig.events.replies.isEmpty());
        for (int s = 1; s <= LinkEngine::kStreams; ++s)
            QVERIFY(rig.engine.waitingMessages(s) <= LinkEngine::kMaxWaitingMessages);
    }

    void endingTheLinkEndsTheWaitForAnAcknowledgement()
    {
        Rig rig;
        rig.events.autoAck = false;
        rig.answer(echo);
        rig.queue(Cmd::IdleQuery);
        std::thread exiter([&] {
            QThread::msleep(50);
            rig.engine.requestExit();
        });
        rig.runUntil([&] { return !rig.events.replies.isEmpty(); });
        exiter.join();
        QCOMPARE(rig.events.replies.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLinkEngine)
#include "tst_linkengine.moc"
