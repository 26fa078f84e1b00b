// The waveform stream parser; arbitrary bytes in arbitrary splits are fuzz_link's job.

#include "link/waveparser.h"

#include <QtTest>

namespace {
QByteArray samples(int seed)
{
    QByteArray s(WaveStreamParser::kSampleBytes, '\0');
    for (int i = 0; i < s.size(); ++i)
        s[i] = char((i * 7 + seed * 13) & 0xFF);
    return s;
}

QByteArray block(int seed, int sumError = 0)
{
    return WaveStreamParser::makeBlock(samples(seed), sumError);
}
} // namespace

class TestWaveParser : public QObject
{
    Q_OBJECT

private slots:
    void sumCoversMarkerAndSamplesHighByteFirst()
    {
        // The marker alone adds up to 0x030E.
        const QByteArray zero = WaveStreamParser::makeBlock(QByteArray(200, '\0'));
        QCOMPARE(zero.size(), WaveStreamParser::kBlockSize);
        QCOMPARE(zero.right(2), QByteArray::fromHex("030E"));
        QCOMPARE(WaveStreamParser::makeBlock(QByteArray(200, '\1')).right(2), QByteArray::fromHex("03D6"));
    }

    void blocksAreTakenFromTheStream_data()
    {
        const QByteArray junk = QByteArray::fromHex("00FF7EABCD12");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("badBlocks");
        QTest::addColumn<int>("gapAt"); // -1: no gap
        QTest::newRow("two good blocks") << block(1) + block(2) << samples(1) + samples(2) << 2 << 0 << -1;
        QTest::newRow("junk around and between blocks")
            << junk + block(7) + junk + junk + block(8) + junk << samples(7) + samples(8) << 2 << 0 << -1;
        // 25 sample sets lost between the first block's samples and the last's.
        QTest::newRow("a bad sum leaves a gap")
            << block(4) + block(5, 1) + block(6) << samples(4) + samples(6) << 3 << 1 << 200;
    }

    void blocksAreTakenFromTheStream()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, expected);
        QFETCH(int, blocks);
        QFETCH(int, badBlocks);
        QFETCH(int, gapAt);
        WaveStreamParser p;
        const auto r = p.feed(stream);
        QCOMPARE(r.samples, expected);
        QCOMPARE(r.blocks, blocks);
        QCOMPARE(r.badBlocks, badBlocks);
        QCOMPARE(r.gaps.size(), gapAt < 0 ? 0 : 1);
        if (gapAt >= 0)
            QCOMPARE(qMakePair(r.gaps[0].at, r.gaps[0].sampleSets), qMakePair(gapAt, 25));
        QCOMPARE(p.buffered(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWaveParser)
#include "tst_waveparser.moc"
