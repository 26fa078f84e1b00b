// The reply matcher: bytes arriving in any split, wrong headers, wrong
// checksums, surplus bytes and stale or flooding input.

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

QByteArray reply(uint8_t cmd, uint8_t sub, const QByteArray &payload)
{
    return buildFrame(cmd, sub, payload);
}
} // namespace

class TestReplyMatcher : public QObject
{
    Q_OBJECT

private slots:
    void acceptsAWholeReplyAndExposesItsPayload()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x05, 0x02, 16);
        const QByteArray payload = QByteArray::fromHex("0102030405060708090A");
        QCOMPARE(m.match(reply(0x05, 0x02, payload), sent, 0), ReplyMatcher::Accepted);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(m.replyPayload()), payload.size()), payload);
        QVERIFY(m.pending().isEmpty());
    }

    void replySplitAcrossDeliveriesIsAcceptedWithItsLastByte()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x0E, 0x01, 8);
        const QByteArray whole = reply(0x0E, 0x01, QByteArray(2, '\0'));
        for (int i = 0; i < whole.size() - 1; ++i)
            QCOMPARE(m.match(whole.mid(i, 1), sent, i), ReplyMatcher::Incomplete);
        QCOMPARE(m.match(whole.right(1), sent, 10), ReplyMatcher::Accepted);
    }

    void bytesOfTheNextMessageWaitForTheNextCall()
    {
        ReplyMatcher m;
        const Frame first = recordFor(0x0E, 0x01, 8);
        const Frame second = recordFor(0x0A, 0x04, 8);
        const QByteArray a = reply(0x0E, 0x01, QByteArray(2, '\0'));
        const QByteArray b = reply(0x0A, 0x04, QByteArray(2, '\1'));
        QCOMPARE(m.match(a + b.left(3), first, 0), ReplyMatcher::Accepted);
        QCOMPARE(m.pending(), b.left(3));
        QCOMPARE(m.match(b.mid(3), second, 1), ReplyMatcher::Accepted);
        QCOMPARE(int(m.replyPayload()[0]), 1);
    }

    void wrongLengthByteIsAHeaderMismatchEvenWithAGoodChecksum()
    {
        ReplyMatcher m;
        // A well-formed 10-byte frame when 8 bytes were expected.
        const QByteArray frame = reply(0x0E, 0x01, QByteArray(4, '\0'));
        QVERIFY(frameIsValid(frame));
        QCOMPARE(m.match(frame, recordFor(0x0E, 0x01, 8), 0), ReplyMatcher::HeaderMismatch);
        // Exactly the expected length was consumed.
        QCOMPARE(m.pending().size(), 2);
    }

    void headerMismatchCoversHeadCommandAndSubCommand()
    {
        const Frame sent = recordFor(0x0E, 0x01, 8);
        QByteArray good = reply(0x0E, 0x01, QByteArray(2, '\0'));
        for (int at : {0, 1, 2}) {
            ReplyMatcher m;
            QByteArray bad = good;
            bad[at] = char(bad.at(at) ^ 0x01);
            QCOMPARE(m.match(bad, sent, 0), ReplyMatcher::HeaderMismatch);
            QVERIFY(m.pending().isEmpty());
        }
    }

    void wrongChecksumIsConsumedAndNotAccepted()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x0E, 0x01, 8);
        QByteArray bad = reply(0x0E, 0x01, QByteArray(2, '\0'));
        bad[7] = char(bad.at(7) ^ 0xFF);
        QCOMPARE(m.match(bad, sent, 0), ReplyMatcher::ChecksumMismatch);
        QVERIFY(m.pending().isEmpty());
        QVERIFY(!m.replyPayload());
        // The good copy that follows is accepted on its own.
        QCOMPARE(m.match(reply(0x0E, 0x01, QByteArray(2, '\0')), sent, 1), ReplyMatcher::Accepted);
    }

    void acceptedPayloadStaysPutWhileLaterBytesArrive()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x05, 0x02, 16);
        const QByteArray payload = QByteArray::fromHex("11223344556677889900");
        QCOMPARE(m.match(reply(0x05, 0x02, payload), sent, 0), ReplyMatcher::Accepted);
        const uint8_t *exposed = m.replyPayload();
        QCOMPARE(m.match(QByteArray(5, char(0xEE)), sent, 1), ReplyMatcher::Incomplete);
        QCOMPARE(m.match(QByteArray(20, char(0xEE)), sent, 2), ReplyMatcher::HeaderMismatch);
        QCOMPARE(m.replyPayload(), exposed);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(exposed), payload.size()), payload);
    }

    void bytesOlderThan100SecondsAreForgotten()
    {
        ReplyMatcher m;
        const Frame sent = recordFor(0x0E, 0x01, 8);
        const QByteArray whole = reply(0x0E, 0x01, QByteArray(2, '\0'));
        QCOMPARE(m.match(QByteArray(3, char(0x55)), sent, 1000), ReplyMatcher::Incomplete);
        // 99.999 s later the old bytes still count ...
        ReplyMatcher kept = m;
        QCOMPARE(kept.match(whole, sent, 1000 + 99999), ReplyMatcher::HeaderMismatch);
        // ... 100 s later they are gone and the reply stands alone.
        QCOMPARE(m.match(whole, sent, 1000 + 100000), ReplyMatcher::Accepted);
    }

    // Searching for a start's acknowledgement among stream bytes: a false
    // head with a bad checksum is passed over, a reply split at any byte is
    // found once whole, what follows it waits, and junk is not hoarded.
    void startAcknowledgementIsFoundAmongOtherBytes()
    {
        const Frame sent = recordFor(0x0A, 0x04, 8);
        const QByteArray ack = reply(0x0A, 0x04, QByteArray::fromHex("0000"));
        QByteArray falseHead = ack;
        falseHead[7] = char(falseHead.at(7) ^ 1);
        const QByteArray stream = QByteArray(300, '\x33') + falseHead + QByteArray(5, '\x44') + ack + "after";
        for (int split = 1; split < stream.size(); split += 7) {
            ReplyMatcher m;
            QByteArray rest = stream.mid(split);
            if (m.findReply(stream.left(split), sent, 0) != ReplyMatcher::Accepted) {
                QVERIFY(m.pending().size() < ack.size());
                QCOMPARE(m.findReply(rest, sent, 1), ReplyMatcher::Accepted);
                rest.clear();
            }
            QCOMPARE(m.lastReply(), ack);
            QCOMPARE(m.pending() + rest, QByteArray("after"));
        }
    }

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
