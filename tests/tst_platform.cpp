// How port names are told apart and found on Linux.

#include "link/platform.h"

#include <QtTest>

#include <cerrno>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void extraPortsAreColonSeparatedPaths()
    {
        QCOMPARE(Platform::extraPorts(QStringLiteral("/tmp/a:/dev/pts/3::/tmp/a: ")),
                 QStringList({QStringLiteral("/tmp/a"), QStringLiteral("/dev/pts/3")}));
        QVERIFY(Platform::extraPorts(QString()).isEmpty());
    }

    void extraPortsComeFirstInTheSystemList()
    {
        Platform::setSystemPortLister([] { return QStringList{QStringLiteral("ttyS0"), QStringLiteral("/tmp/b")}; });
        qputenv("SERVO_EXTRA_PORTS", "/tmp/b:/tmp/a");
        QCOMPARE(Platform::serialPorts(),
                 (QStringList{QStringLiteral("/tmp/b"), QStringLiteral("/tmp/a"), QStringLiteral("ttyS0")}));
        qunsetenv("SERVO_EXTRA_PORTS");
        QCOMPARE(Platform::serialPorts(), (QStringList{QStringLiteral("ttyS0"), QStringLiteral("/tmp/b")}));
        Platform::setSystemPortLister({});
    }

    void hidPathsAreTheOnesHidapiListed()
    {
        const QStringList hid = {QStringLiteral("/dev/hidraw3"), QStringLiteral("1-2:1.0")};
        QCOMPARE(Platform::kindOf(QStringLiteral("1-2:1.0"), hid), Platform::Kind::Hid);
        QCOMPARE(Platform::kindOf(QStringLiteral("/dev/hidraw7"), {}), Platform::Kind::Hid);
        QCOMPARE(Platform::kindOf(QStringLiteral("ttyUSB0"), hid), Platform::Kind::Serial);
        QCOMPARE(Platform::kindOf(QStringLiteral("/dev/pts/4"), hid), Platform::Kind::Serial);
        QCOMPARE(Platform::kindOf(QStringLiteral("/tmp/COM1"), hid), Platform::Kind::Serial);
    }

    void namesAreCaseSensitiveAndNeverRewritten()
    {
        const QStringList serial = {QStringLiteral("ttyUSB0"), QStringLiteral("/tmp/drive")};
        QVERIFY(Platform::isKnown(QStringLiteral("ttyUSB0"), serial, {}));
        QVERIFY(Platform::isKnown(QStringLiteral("/dev/ttyUSB0"), serial, {}));
        QVERIFY(Platform::isKnown(QStringLiteral("/tmp/drive"), serial, {}));
        QVERIFY(!Platform::isKnown(QStringLiteral("TTYUSB0"), serial, {}));
        QVERIFY(!Platform::isKnown(QStringLiteral("/tmp/Drive"), serial, {}));
        QVERIFY(Platform::isKnown(QStringLiteral("/dev/hidraw1"), {}, {QStringLiteral("/dev/hidraw1")}));
        QCOMPARE(Platform::serialSystemName(QStringLiteral("ttyUSB0")), QStringLiteral("ttyUSB0"));
        QCOMPARE(Platform::serialSystemName(QStringLiteral("/tmp/Drive")), QStringLiteral("/tmp/Drive"));
        QCOMPARE(Platform::connectName(QStringLiteral("ttyUSB0")), QStringLiteral("ttyUSB0"));
    }

    void hidReadErrorsThatMeanTheDeviceIsGone()
    {
        QVERIFY(Platform::hidReadMeansGone(-1, ENODEV, QString()));
        QVERIFY(Platform::hidReadMeansGone(-1, EIO, QString()));
        QVERIFY(Platform::hidReadMeansGone(-1, 0, QStringLiteral("hid_read_timeout: unexpected poll error (device disconnected)")));
        QVERIFY(!Platform::hidReadMeansGone(-1, EINTR, QStringLiteral("Interrupted system call")));
        QVERIFY(!Platform::hidReadMeansGone(0, ENODEV, QStringLiteral("Success")));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
