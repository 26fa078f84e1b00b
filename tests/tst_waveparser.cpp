// The waveform stream parser: finding blocks in any split, dropping bad ones,
// discarding junk, and never holding on to junk.

#include "link/waveparser.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
QByteArray samples(int seed)
{
    QByteArray s(WaveStreamParser::kSampleBytes, '\0');
    for (int i = 0; i < s.size(); ++i)
        s[i] = char((i * 7 + seed * 13) & 0xFF);
    return s;
}

QByteArray block(const QByteArray &sampleBytes, int sumError = 0)
{
    return WaveStreamParser::makeBlock(sampleBytes, sumError);
}
} // namespace

class TestWaveParser : public QObject
{
    Q_OBJECT

private slots:
    void sumCoversMarkerAndSamplesHighByteFirst()
    {
        // The marker alone adds up to 0x030E.
        const QByteArray zero = block(QByteArray(200, '\0'));
        QCOMPARE(zero.size(), WaveStreamParser::kBlockSize);
        QCOMPARE(zero.right(2), QByteArray::fromHex("030E"));
        QCOMPARE(block(QByteArray(200, '\1')).right(2), QByteArray::fromHex("03D6"));
    }

    void twoGoodBlocksInOneDeliveryGive400Bytes()
    {
        WaveStreamParser p;
        const auto r = p.feed(block(samples(1)) + block(samples(2)));
        QCOMPARE(r.samples, samples(1) + samples(2));
        QCOMPARE(r.blocks, 2);
        QCOMPARE(r.badBlocks, 0);
        QCOMPARE(p.buffered(), 0);
    }

    void markerSplitAcrossDeliveriesIsFound_data()
    {
        QTest::addColumn<int>("cut");
        for (int cut = 1; cut < 8; ++cut)
            QTest::addRow("cut after %d bytes", cut) << cut;
    }

    void markerSplitAcrossDeliveriesIsFound()
    {
        QFETCH(int, cut);
        WaveStreamParser p;
        const QByteArray junk = QByteArray::fromHex("0102AB");
        const QByteArray stream = junk + block(samples(3));
        QVERIFY(p.feed(stream.left(junk.size() + cut)).samples.isEmpty());
        QCOMPARE(p.feed(stream.mid(junk.size() + cut)).samples, samples(3));
    }

    void badSumIsDroppedAndLeavesAGap()
    {
        WaveStreamParser p;
        const auto r = p.feed(block(samples(4)) + block(samples(5), 1) + block(samples(6)));
        QCOMPARE(r.samples, samples(4) + samples(6));
        QCOMPARE(r.blocks, 3);
        QCOMPARE(r.badBlocks, 1);
        // 25 sample sets lost between the first block's samples and the last's.
        QCOMPARE(r.gaps.size(), 1);
        QCOMPARE(r.gaps[0].at, 200);
        QCOMPARE(r.gaps[0].sampleSets, 25);
    }

    void junkBetweenBlocksIsDiscarded()
    {
        WaveStreamParser p;
        const QByteArray junk = QByteArray::fromHex("00FF7EABCD12");
        const auto r = p.feed(junk + block(samples(7)) + junk + junk + block(samples(8)) + junk);
        QCOMPARE(r.samples, samples(7) + samples(8));
        QCOMPARE(r.blocks, 2);
    }

    void junkWithoutMarkerLeavesNothingBehind()
    {
        WaveStreamParser p;
        p.feed(QByteArray(5000, char(0x42)));
        QCOMPARE(p.buffered(), 0);
        // Only a possible marker start survives, never more than three bytes.
        p.feed(QByteArray(100, char(0x42)) + QByteArray::fromHex("ABCDDC"));
        QCOMPARE(p.buffered(), 3);
        p.feed(QByteArray::fromHex("00"));
        QCOMPARE(p.buffered(), 0);
    }

    void anySplitOfAStreamGivesTheSameSamples()
    {
        // A long stream with junk and a bad block, fed in random pieces, gives
        // what it gives in one piece.
        QByteArray stream;
        QByteArray expected;
        for (int i = 0; i < 60; ++i) {
            if (i % 7 == 3)
                stream += QByteArray::fromHex("1122AB33");
            const bool bad = i % 11 == 5;
            stream += block(samples(i), bad ? 3 : 0);
            if (!bad)
                expected += samples(i);
        }
        auto *rng = QRandomGenerator::global();
        for (int round = 0; round < 50; ++round) {
            WaveStreamParser p;
            QByteArray got;
            int blocks = 0;
            for (int at = 0; at < stream.size();) {
                const int n = qMin(stream.size() - at, 1 + int(rng->bounded(300)));
                const auto r = p.feed(stream.mid(at, n));
                got += r.samples;
                blocks += r.blocks;
                at += n;
            }
            QCOMPARE(got, expected);
            QCOMPARE(blocks, 60);
        }
    }

    void randomBytesNeverCrashOrAccumulate()
    {
        auto *rng = QRandomGenerator::global();
        WaveStreamParser p;
        for (int round = 0; round < 2000; ++round) {
            QByteArray junk(int(rng->bounded(400)), '\0');
            for (auto &c : junk)
                c = char(rng->bounded(256));
            // Markers planted now and then make the parser sync on junk.
            if (round % 5 == 0)
                junk.insert(int(rng->bounded(junk.size() + 1)), QByteArray::fromHex("ABCDDCBA"));
            p.feed(junk);
            QVERIFY(p.buffered() < WaveStreamParser::kBlockSize + 400);
        }
    }
};

QTEST_GUILESS_MAIN(TestWaveParser)
#include "tst_waveparser.moc"
