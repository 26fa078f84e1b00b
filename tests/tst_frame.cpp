// Frame rules: checksum, request building, HID report packing and the traffic counter.

#include "link/frame.h"
#include "link/hidreport.h"
#include "link/trafficcounter.h"

#include <QtTest>

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetCommandTable(); }

    void crcMatchesTheStandardCheckValue()
    {
        QCOMPARE(crc16(QByteArray("123456789")), quint16(0x4B37));
        QCOMPARE(crc16(nullptr, 0), quint16(0xFFFF));
        // The table form agrees with the bit-wise definition on every byte value.
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        quint16 bitwise = 0xFFFF;
        for (uchar byte : all) {
            bitwise ^= byte;
            for (int bit = 0; bit < 8; ++bit)
                bitwise = (bitwise & 1) ? quint16((bitwise >> 1) ^ 0xA001) : quint16(bitwise >> 1);
        }
        QCOMPARE(crc16(all), bitwise);
    }

    // A record without a payload buffer still yields a whole frame, so the drive never waits.
    void requestAlwaysHasTheLengthItsHeaderSays()
    {
        Frame record = commandTable[Cmd::ControlMode];
        record.txData = nullptr;
        const QByteArray frame = buildRequest(record);
        QCOMPARE(frame.size(), int(record.txLen));
        QCOMPARE(frame.mid(4, 4), QByteArray(4, '\0'));
        QVERIFY(frameIsValid(frame));

        // Records shorter than 7 bytes carry no payload at all.
        record.txLen = 6;
        QCOMPARE(buildRequest(record).size(), 6);
    }

    void longFrameTakesTwoOutputReports()
    {
        QByteArray frame(119, '\0');
        for (int i = 0; i < frame.size(); ++i)
            frame[i] = char(i + 1);
        // Report id 0, channel, count, then the bytes, zero-padded to 64.
        QCOMPARE(HidReport::packOutput(frame.constData(), frame.size(), 1), QByteArray::fromHex("00013D") + frame.left(61));
        QCOMPARE(HidReport::packOutput(frame.constData() + 61, frame.size() - 61, 1),
                 QByteArray::fromHex("00013A") + frame.mid(61) + QByteArray(3, '\0'));
        QCOMPARE(HidReport::streamForChannel(1), 2);
    }

    void inputReportCountIsTrustedOnlyAsFarAsTheReportReaches()
    {
        int stream = 0;
        QByteArray payload;
        const uint8_t good[] = {1, 3, 0xAA, 0xBB, 0xCC, 0xDD};
        QVERIFY(HidReport::unpackInput(good, sizeof good, &stream, &payload));
        QCOMPARE(stream, 1);
        QCOMPARE(payload, QByteArray::fromHex("AABBCC"));

        // A count of 200 in a 10-byte report yields the 8 bytes that are there.
        uint8_t lying[10] = {2, 200};
        QVERIFY(HidReport::unpackInput(lying, sizeof lying, &stream, &payload));
        QCOMPARE(payload.size(), 8);

        // Never more than 61, whatever the buffer holds.
        uint8_t big[100] = {4, 255};
        QVERIFY(HidReport::unpackInput(big, sizeof big, &stream, &payload));
        QCOMPARE(payload.size(), 61);

        QVERIFY(!HidReport::unpackInput(big, 1, &stream, &payload));
    }

    void countersWrapToZeroAfter999999()
    {
        TrafficCounter counter;
        counter.set(999998);
        QCOMPARE(counter.increment(), 999999u);
        QCOMPARE(counter.increment(), 0u);
        QCOMPARE(counter.increment(), 1u);
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
