// The reply matcher; a reply behind arbitrary bytes in any split is fuzz_link's job.

#include "link/frame.h"
#include "link/replymatcher.h"

#include <QtTest>

namespace {
Frame recordFor(uint8_t cmd, uint8_t sub, uint8_t rxLen)
{
    Frame f;
    f.cmd = cmd;
    f.subCmd = sub;
    f.rxLen = rxLen;
    f.index = 5;
    return f;
}

} // namespace

class TestReplyMatcher : public QObject
{
    Q_OBJECT

private slots:
    // A damaged or foreign frame is taken off whole and not accepted; the good reply behind it is.
    void damagedOrForeignFramesAreNotAccepted_data()
    {
        const QByteArray good = buildFrame(0x0E, 0x01, QByteArray(2, '\0'));
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("result");
        for (int at : {0, 1, 2}) {
            QByteArray bad = good;
            bad[at] = char(bad.at(at) ^ 0x01);
            QTest::addRow("byte %d wrong", at) << bad << int(ReplyMatcher::HeaderMismatch);
        }
        QTest::newRow("length of another reply, good checksum")
            << buildFrame(0x0E, 0x01, QByteArray(4, '\0')) << int(ReplyMatcher::HeaderMismatch);
        QTest::newRow("another command, good checksum")
            << buildFrame(0x0F, 0x01, QByteArray(2, '\0')) << int(ReplyMatcher::HeaderMismatch);
        QByteArray sum = good;
        sum[7] = char(sum.at(7) ^ 0xFF);
        QTest::newRow("checksum wrong") << sum << int(ReplyMatcher::ChecksumMismatch);
    }

    void damagedOrForeignFramesAreNotAccepted()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, result);
        const Frame sent = recordFor(0x0E, 0x01, 8);
        const QByteArray good = buildFrame(0x0E, 0x01, QByteArray::fromHex("1234"));
        ReplyMatcher m;
        QCOMPARE(int(m.match(frame + good.left(3), sent, 0)), result);
        QVERIFY(!m.replyPayload());
        QCOMPARE(m.pending(), good.left(3));
        QCOMPARE(m.match(good.mid(3), sent, 1), ReplyMatcher::Accepted);
        QCOMPARE(m.lastReply(), good);
    }

    void acceptedPayloadStaysPutWhileLaterBytesArrive()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x05, 0x02, 16);
        const QByteArray payload = QByteArray::fromHex("11223344556677889900");
        QCOMPARE(m.match(buildFrame(0x05, 0x02, payload), sent, 0), ReplyMatcher::Accepted);
        const uint8_t *exposed = m.replyPayload();
        QCOMPARE(m.match(QByteArray::fromHex("7E0502"), sent, 1), ReplyMatcher::Incomplete);
        QCOMPARE(m.match(QByteArray::fromHex("10") + QByteArray(12, char(0xEE)), sent, 2), ReplyMatcher::ChecksumMismatch);
        QCOMPARE(m.replyPayload(), exposed);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(exposed), payload.size()), payload);
    }

    void bytesOlderThan100SecondsAreForgotten()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x0E, 0x01, 8);
        const QByteArray begun = QByteArray::fromHex("7E0E0108");
        QCOMPARE(m.match(begun, sent, 1000), ReplyMatcher::Incomplete);
        ReplyMatcher kept = m;
        QCOMPARE(kept.match(QByteArray(), sent, 1000 + 99999), ReplyMatcher::Incomplete);
        QCOMPARE(kept.pending(), begun);
        QCOMPARE(m.match(QByteArray(), sent, 1000 + 100000), ReplyMatcher::Incomplete);
        QVERIFY(m.pending().isEmpty());
    }

    // Answers to the other sends of an accepted request are dropped; the next reply, same header, is taken.
    void lateCopiesOfTheLastReplyAreDropped_data()
    {
        QTest::addColumn<QList<qint64>>("sends");
        QTest::addColumn<qint64>("corruptedAt");
        QTest::addColumn<qint64>("acceptedAt");
        QTest::addColumn<int>("copiesBeforeNextRequest");
        QTest::addColumn<QList<qint64>>("copiesAt");
        QTest::addColumn<qint64>("nextAt");
        using L = QList<qint64>;
        QTest::newRow("250 ms late") << L{0, 200} << qint64(-1) << qint64(255) << 0 << L{455} << qint64(515);
        QTest::newRow("450 ms late") << L{0, 200, 400} << qint64(-1) << qint64(455) << 0 << L{655, 855} << qint64(915);
        QTest::newRow("copy before next request") << L{0, 200} << qint64(-1) << qint64(255) << 1 << L{} << qint64(300);
        QTest::newRow("first send lost") << L{0, 200} << qint64(-1) << qint64(205) << 0 << L{} << qint64(215);
        QTest::newRow("lost copy not waited for") << L{0, 200} << qint64(-1) << qint64(255) << 0 << L{} << qint64(1300);
        QTest::newRow("corrupted answer") << L{0, 200, 400} << qint64(255) << qint64(455) << 0 << L{655} << qint64(915);
    }

    void lateCopiesOfTheLastReplyAreDropped()
    {
        QFETCH(QList<qint64>, sends);
        QFETCH(qint64, corruptedAt);
        QFETCH(qint64, acceptedAt);
        QFETCH(int, copiesBeforeNextRequest);
        QFETCH(QList<qint64>, copiesAt);
        QFETCH(qint64, nextAt);
        const Frame sent = recordFor(0x01, 0x01, 14);
        const QByteArray first = buildFrame(0x01, 0x01, QByteArray::fromHex("0001000A0002000B"));
        const QByteArray next = buildFrame(0x01, 0x01, QByteArray::fromHex("0003000C0004000D"));
        QByteArray corrupted = first;
        corrupted[9] = char(corrupted.at(9) ^ 0x10);

        ReplyMatcher m;
        m.takeEarlier(QByteArray(), sends.first());
        if (corruptedAt >= 0)
            QCOMPARE(m.match(corrupted, sent, corruptedAt), ReplyMatcher::ChecksumMismatch);
        QCOMPARE(m.match(first, sent, acceptedAt), ReplyMatcher::Accepted);
        m.expectLateCopies(sends.toVector(), acceptedAt);
        m.takeEarlier(first.repeated(copiesBeforeNextRequest), acceptedAt + 5);
        for (qint64 at : copiesAt)
            QCOMPARE(m.match(first, sent, at), ReplyMatcher::LateCopy);
        QCOMPARE(m.match(next, sent, nextAt), ReplyMatcher::Accepted);
        QCOMPARE(m.lastReply(), next);
    }

    // The kept fuzz inputs never grow the held bytes to the bound; a flood does.
    void floodOfJunkNeverGrowsTheAccumulatorWithoutBound()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x02, 0x01, 134);
        for (int i = 0; i < 200; ++i)
            m.match(QByteArray(4096, char(i)), sent, i);
        QVERIFY(m.pending().size() <= ReplyMatcher::kMaxPending);
    }

    void tooShortExpectedLengthNeverReadsPastTheBytes()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x0E, 0x01, 2);
        QCOMPARE(m.match(QByteArray::fromHex("7E0E"), sent, 0), ReplyMatcher::Incomplete);
        QCOMPARE(m.match(QByteArray::fromHex("01050304"), sent, 1), ReplyMatcher::HeaderMismatch);
    }
};

QTEST_GUILESS_MAIN(TestReplyMatcher)
#include "tst_replymatcher.moc"
