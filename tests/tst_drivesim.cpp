// What the window tests take on trust from the simulated drive: it checks
// writes like a drive, its fault switches do what they say and parse like the
// command line, a waveform start is acknowledged before its first block, a
// stream ends as a drive's does, and the drive-sim program serves a line and
// cleans up. Answering the tool's flows is left to the window tests.

#include "link/frame.h"
#include "sim/driveendpoint.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
QByteArray idleRequest()
{
    return QByteArray::fromHex("7E0E01080000FAE3");
}

QByteArray request(uint8_t cmd, uint8_t sub, const QByteArray &payload)
{
    return buildFrame(cmd, sub, payload);
}

QByteArray waveStart(quint16 a = 1, quint16 b = 2, quint16 c = 3, quint16 d = 4)
{
    QByteArray payload;
    for (quint16 v : {a, b, c, d}) {
        payload.append(char(v >> 8));
        payload.append(char(v & 0xFF));
    }
    for (int i = 0; i < 8; ++i)
        payload.append(QByteArray::fromHex("0001"));
    return request(0x0A, 0x04, payload);
}

QString definitionsFile(QTemporaryDir &dir, const QString &version)
{
    const QString path = dir.filePath(QStringLiteral("defs.xml"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const auto param = [](const char *code, const char *min, const char *max, const char *def, const char *modify,
                          const char *width, const char *sign) {
        return QStringLiteral("<Parameter><ParameterIndex>%1</ParameterIndex><DefaultValue>%4</DefaultValue>"
                              "<MinValue>%2</MinValue><MaxValue>%3</MaxValue><ModifyTime>%5</ModifyTime>"
                              "<DataWidth>%6</DataWidth><DataSign>%7</DataSign></Parameter>")
            .arg(QString::fromUtf8(code), QString::fromUtf8(min), QString::fromUtf8(max), QString::fromUtf8(def),
                 QString::fromUtf8(modify), QString::fromUtf8(width), QString::fromUtf8(sign));
    };
    const QString body = QStringLiteral("<Root><FuncCodeVersion>%1</FuncCodeVersion>").arg(version)
        + param("P00_01", "0", "6", "2", "停机设定", "16bit", "unsigned")
        + param("P00_03", "-100", "100", "-5", "运行设定", "16bit", "signed")
        + param("P01_00", "0", "100000", "5000", "运行设定", "32bit", "unsigned")
        + param("P02_07", "0", "9", "1", "只读", "16bit", "unsigned") + QStringLiteral("</Root>");
    file.write(body.toUtf8());
    return path;
}

QByteArray concat(const QVector<DriveEndpoint::Output> &outputs)
{
    QByteArray all;
    for (const auto &o : outputs)
        all += o.bytes;
    return all;
}
} // namespace

class TestDriveSim : public QObject
{
    Q_OBJECT

private slots:
    void writesAreCheckedLikeADrive()
    {
        QTemporaryDir dir;
        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) { return m.loadParameters(definitionsFile(dir, QStringLiteral("V1.1"))); }));
        // Stored, above max, below min, read-only, missing.
        drive.receive(request(0x03, 0x01, QByteArray::fromHex("0003FFFFFFF6" "000300000065" "0003FFFFFF9B"
                                                              "020700000002" "090900000001")),
                      1, 0);
        QByteArray reply = concat(drive.takeDue(0));
        QCOMPARE(reply.mid(4, 20), QByteArray::fromHex("00030000" "00030001" "00030002" "02070010" "09090008"));
        QCOMPARE(drive.withModel([](DriveModel &m) { return m.parameters().value(0, 3); }), qint64(-10));
        // A stop-only parameter while the servo is on.
        drive.withModel([](DriveModel &m) { m.setServoOn(true); });
        drive.receive(request(0x03, 0x01, QByteArray::fromHex("000100000003")), 1, 1);
        QCOMPARE(concat(drive.takeDue(1)).mid(4, 4), QByteArray::fromHex("00010004"));
    }

    void faultSwitchesShapeTheReplies()
    {
        DriveEndpoint drive;
        FaultSwitches f;
        f.dropEvery = 3;
        f.corruptEvery = 2;
        f.delayMs = 10;
        drive.setFaults(f);
        QVector<DriveEndpoint::Output> out;
        for (int i = 0; i < 6; ++i) {
            drive.receive(idleRequest(), 1, i * 100000);
            QVERIFY(drive.takeDue(i * 100000 + 9999).isEmpty());
            out += drive.takeDue(i * 100000 + 10000);
        }
        // Replies 3 and 6 dropped, 2 and 4 corrupted.
        QCOMPARE(out.size(), 4);
        QVERIFY(frameIsValid(out[0].bytes));
        QVERIFY(!frameIsValid(out[1].bytes));
        QVERIFY(!frameIsValid(out[2].bytes));
        QVERIFY(frameIsValid(out[3].bytes));
        QCOMPARE(drive.stats().repliesDropped, 2u);
        QCOMPARE(drive.stats().repliesCorrupted, 2u);
    }

    void splitRepliesComeInChunksWithGaps()
    {
        DriveEndpoint drive;
        QString error;
        QVERIFY(drive.applyFault(QStringLiteral("split"), QStringLiteral("3:2"), &error));
        drive.receive(idleRequest(), 1, 0);
        QCOMPARE(concat(drive.takeDue(0)), idleRequest().left(3));
        QVERIFY(drive.takeDue(1999).isEmpty());
        QCOMPARE(concat(drive.takeDue(2000)), idleRequest().mid(3, 3));
        QCOMPARE(concat(drive.takeDue(4000)), idleRequest().mid(6));
    }

    void switchesParseLikeTheCommandLine()
    {
        FaultSwitches f;
        QString error;
        QVERIFY(f.apply(QStringLiteral("hang-up-after"), QStringLiteral("5:300"), &error));
        QCOMPARE(f.hangUpAfter, 5);
        QCOMPARE(f.comeBackMs, 300);
        QVERIFY(!f.apply(QStringLiteral("drop-every"), QStringLiteral("many"), &error));
        QVERIFY(error.contains(QStringLiteral("drop-every")));
        QVERIFY(!f.apply(QStringLiteral("explode"), QStringLiteral("1"), &error));
        for (const QString &name : FaultSwitches::names())
            QVERIFY2(f.apply(name, QStringLiteral("0"), &error), qPrintable(name));
    }

    // Also a start that comes while the drive streams: it is acknowledged
    // again, and the stream begins afresh after that acknowledgement.
    void slowAcknowledgementStillComesFirst()
    {
        DriveEndpoint drive;
        FaultSwitches slow;
        slow.delayMs = 30;
        drive.setFaults(slow);
        drive.receive(waveStart(), 1, 0);
        auto out = drive.takeDue(100000);
        QVERIFY(out.size() > 1);
        QVERIFY(!out[0].block);
        QCOMPARE(out[0].dueUs, 30000);
        QCOMPARE(out[1].dueUs, 30000 + DriveModel::kFirstBlockDelayUs);

        drive.receive(request(0x0A, 0x06, QByteArray(2, '\0')), 1, 100000);
        drive.receive(waveStart(), 1, 100000);
        out = drive.takeDue(300000);
        QVERIFY(out.size() > 1);
        QVERIFY(!out[0].block);
        QCOMPARE(out[0].dueUs, 130000);
        QCOMPARE(out[1].dueUs, 130000 + DriveModel::kFirstBlockDelayUs);
    }

    // What ends a stream: the stop command (which has no reply), the host
    // closing the line, or a second without a keep-alive. The window tests
    // rely on the last to notice a tool that stops sending keep-alives.
    void streamEnds_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("stop command") << 0;
        QTest::newRow("host gone") << 1;
        QTest::newRow("no keep-alive for a second") << 2;
    }

    void streamEnds()
    {
        QFETCH(int, how);
        DriveEndpoint drive;
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(900000);
        QVERIFY(drive.streaming());
        if (how == 0)
            drive.receive(request(0x0A, 0x05, QByteArray(2, '\0')), 1, 900000);
        else if (how == 1)
            drive.hostGone();
        QCOMPARE(drive.takeDue(1100000).isEmpty(), how != 2);
        QVERIFY(!drive.streaming());
        QVERIFY(drive.takeDue(2000000).isEmpty());
    }

    void programPrintsItsPathServesAndCleansUp()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("drive"));
        QProcess sim;
        sim.start(QStringLiteral(DRIVE_SIM_PATH), {QStringLiteral("--link"), link, QStringLiteral("--rate"),
                                                   QStringLiteral("10000")});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(sim.canReadLine());
        const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY(slave.startsWith(QStringLiteral("/dev/pts/")));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        sim.write("drop-every 3\nstats\n");
        QByteArray said;
        QTRY_VERIFY((said += sim.readAllStandardError()).contains("requests 0"));
        QVERIFY(said.contains("drop-every 3"));

        ::kill(pid_t(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link));
    }
};

QTEST_GUILESS_MAIN(TestDriveSim)
#include "tst_drivesim.moc"
