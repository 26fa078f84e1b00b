// The simulated drive: finding frames in what the tool sends, answering,
// streaming waveform blocks on time, and misbehaving on request.

#include "link/frame.h"
#include "link/waveparser.h"
#include "sim/drivedynamics.h"
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
    void answersTheIdleKeepAlive()
    {
        DriveEndpoint drive;
        drive.receive(idleRequest(), 1, 1000);
        const auto out = drive.takeDue(1000);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].bytes, idleRequest()); // same command, zero payload: the same eight bytes
        QCOMPARE(drive.stats().requests, 1u);
    }

    void findsFramesBetweenJunkAndAcrossDeliveries()
    {
        DriveEndpoint drive;
        QByteArray corrupted = idleRequest();
        corrupted[7] = 0;
        const QByteArray stream = QByteArray::fromHex("00117E0E") + corrupted + idleRequest() + idleRequest();
        for (int i = 0; i < stream.size(); i += 3)
            drive.receive(stream.mid(i, 3), 1, 1000 + i);
        QCOMPARE(drive.stats().requests, 2u);
        QCOMPARE(drive.takeDue(2000).size(), 2);
    }

    void halfAFrameIsForgottenAfterASilence()
    {
        DriveEndpoint drive;
        drive.receive(idleRequest().left(5), 1, 0);
        drive.receive(idleRequest().mid(5), 1, DriveEndpoint::kInterByteTimeoutUs + 1);
        QCOMPARE(drive.stats().requests, 0u);
        drive.receive(idleRequest(), 1, DriveEndpoint::kInterByteTimeoutUs + 2);
        QCOMPARE(drive.stats().requests, 1u);
    }

    void unknownCommandsGetNoAnswer()
    {
        DriveEndpoint drive;
        drive.receive(request(0x0F, 0x03, QByteArray(4, '\0')), 1, 0);
        QCOMPARE(drive.stats().requests, 1u);
        QVERIFY(drive.takeDue(1000000).isEmpty());
    }

    void monitorReadAnswersWhatTheDriveHasAndPads()
    {
        DriveEndpoint drive;
        // Group 2, items 1 to 16: the identification entries.
        drive.receive(request(0x04, 0x01, QByteArray::fromHex("020102100010")), 1, 0);
        QByteArray reply = concat(drive.takeDue(0));
        QCOMPARE(reply.size(), 102);
        QVERIFY(frameIsValid(reply));
        QCOMPARE(reply.mid(4, 6), QByteArray::fromHex("020100000001"));
        QCOMPARE(reply.mid(4 + 3 * 6, 6), QByteArray::fromHex("020400000068")); // firmware 104
        QString serial;
        for (int item = 8; item < 16; ++item) {
            serial += QChar(reply.at(4 + item * 6 + 4));
            if (item < 15)
                serial += QChar(reply.at(4 + item * 6 + 5));
        }
        QCOMPARE(serial, QStringLiteral("VMRSIM202612001"));

        // Fewer entries than asked for: the rest is padding the tool skips.
        drive.receive(request(0x04, 0x01, QByteArray::fromHex("020102030005")), 1, 1);
        reply = concat(drive.takeDue(1));
        QCOMPARE(reply.size(), 36);
        QCOMPARE(reply.mid(4 + 3 * 6, 2), QByteArray::fromHex("FFFF"));
        QCOMPARE(reply.mid(4 + 4 * 6, 2), QByteArray::fromHex("FFFF"));

        // A count whose reply would not fit a frame gets no answer.
        drive.receive(request(0x04, 0x01, QByteArray::fromHex("000002FF002A")), 1, 2);
        QVERIFY(drive.takeDue(2).isEmpty());
    }

    void controlModeAndSoftwareVersionAreAnswered()
    {
        DriveEndpoint drive;
        drive.receive(request(0x05, 0x02, QByteArray(4, '\0')), 1, 0);
        drive.receive(request(0x0B, 0x01, QByteArray(2, '\0')), 1, 0);
        const auto out = drive.takeDue(0);
        QCOMPARE(out.size(), 2);
        QCOMPARE(out[0].bytes.size(), 16);
        QCOMPARE(out[0].bytes.mid(12, 2), QByteArray::fromHex("0001")); // position mode
        QCOMPARE(out[1].bytes.size(), 26);
        QVERIFY(out[1].bytes.mid(4).startsWith("DSP"));
    }

    void parametersAreReadInRangesAndLists()
    {
        QTemporaryDir dir;
        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) { return m.loadParameters(definitionsFile(dir, QStringLiteral("V1.1"))); }));
        // P00_01 to P01_00, five asked for: three exist, two markers follow.
        drive.receive(request(0x01, 0x01, QByteArray::fromHex("000101000500")), 1, 0);
        QByteArray reply = concat(drive.takeDue(0));
        QCOMPARE(reply.size(), 6 * 5 + 6);
        QCOMPARE(reply.mid(4, 18), QByteArray::fromHex("000100000002" "0003FFFFFFFB" "010000001388"));
        QCOMPARE(reply.mid(22, 12), QByteArray(12, '\0'));
        // A list: the missing P09_09 gets the marker in its place.
        drive.receive(request(0x02, 0x01, QByteArray::fromHex("09090207")), 1, 1);
        reply = concat(drive.takeDue(1));
        QCOMPARE(reply.mid(4, 12), QByteArray(6, '\0') + QByteArray::fromHex("020700000001"));
    }

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

    void sixteenBitDriveSignsByItsMinimum()
    {
        QTemporaryDir dir;
        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) { return m.loadParameters(definitionsFile(dir, QStringLiteral("V1.0"))); }));
        drive.receive(request(0x03, 0x01, QByteArray::fromHex("0003FFFE")), 1, 0);
        QCOMPARE(concat(drive.takeDue(0)).mid(4, 4), QByteArray::fromHex("00030000"));
        QCOMPARE(drive.withModel([](DriveModel &m) { return m.parameters().value(0, 3); }), qint64(-2));
        drive.receive(request(0x01, 0x01, QByteArray::fromHex("000300030100")), 1, 1);
        QCOMPARE(concat(drive.takeDue(1)), buildFrame(0x01, 0x01, QByteArray::fromHex("0003FFFE")));
    }

    void jogMovesTheMotorAndMonitorsFollow()
    {
        DriveDynamics d;
        d.command(0x0002, 300, 100, 0, 0);
        d.command(0x0008, 0, 0, 0, 0);
        d.advance(200000);
        QCOMPARE(d.quantity(QStringLiteral("电机转速")), 300);
        QVERIFY(d.quantity(QStringLiteral("位置反馈累计")) > 0);
        QVERIFY(d.quantity(QStringLiteral("母线电压")) > 3000);
        d.command(0x0018, 0, 0, 0, 300000);
        d.advance(500000);
        QCOMPARE(d.quantity(QStringLiteral("电机转速")), 0);
        const QByteArray reply = d.dataReply();
        QCOMPARE(reply.size(), 52);
        QCOMPARE(int(uint8_t(reply.at(0))), int(DriveDynamics::StateRunning));
        QVERIFY(uint8_t(reply.at(1)) & 0x10); // identification allowed
    }

    void identificationReportsRunningThenFinished()
    {
        DriveDynamics d;
        d.command(0x0002, 100, 100, 0, 0);
        d.command(0x0020, 1000, 2, 0, 0);
        d.advance(500000);
        QCOMPARE(int(uint8_t(d.dataReply().at(1)) & 0x03), 1);
        d.advance(DriveDynamics::kIdentifyUs + 1);
        const QByteArray done = d.dataReply();
        QCOMPARE(int(uint8_t(done.at(1)) & 0x03), 2);
        QVERIFY(done.mid(10, 4) != QByteArray(4, '\0'));
        d.command(0x0040, 0, 286, 0, DriveDynamics::kIdentifyUs + 2);
        QCOMPARE(d.takeWrittenRatio(), qint64(286));
        QCOMPARE(d.takeWrittenRatio(), qint64(-1));
    }

    void measurementStepsLevelByLevel()
    {
        DriveDynamics d;
        d.command(0x0080, 0, 0, 0, 0);
        QList<int> levels;
        for (qint64 t = 0; t < DriveDynamics::kLevelStepUs * (DriveDynamics::kLevelsMeasured + 1); t += DriveDynamics::kLevelStepUs) {
            d.advance(t + 1000);
            const QByteArray r = d.dataReply();
            if ((uint8_t(r.at(1)) & 0x0C) == 0x04)
                levels.append(uint8_t(r.at(35)));
        }
        QCOMPARE(levels.size(), DriveDynamics::kLevelsMeasured);
        for (int i = 1; i < levels.size(); ++i)
            QCOMPARE(levels[i], levels[i - 1] + 1);
        QCOMPARE(int(uint8_t(d.dataReply().at(1)) & 0x0C), 0x08);
    }

    void aDriveThatIsNotReadyStaysOff()
    {
        DriveDynamics d;
        d.setReady(false);
        d.setFaultCode(121);
        d.command(0x0002, 100, 100, 0, 0);
        QVERIFY(!d.servoOn());
        const QByteArray r = d.dataReply();
        QCOMPARE(int(uint8_t(r.at(0))), int(DriveDynamics::StateNotReady));
        QCOMPARE(r.mid(8, 2), QByteArray::fromHex("0079"));
        d.settings().controlMode = 3;
        QCOMPARE(d.settingsReply().mid(8, 2), QByteArray::fromHex("0003"));
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

    void stopAfterWithholdsEveryLaterReply()
    {
        DriveEndpoint drive;
        FaultSwitches f;
        f.stopAfter = 2;
        drive.setFaults(f);
        for (int i = 0; i < 5; ++i)
            drive.receive(idleRequest(), 1, i);
        QCOMPARE(drive.takeDue(100).size(), 2);
        QCOMPARE(drive.stats().repliesWithheld, 3u);
    }

    void hangUpFiresOnceAfterNReplies()
    {
        DriveEndpoint drive;
        FaultSwitches f;
        f.hangUpAfter = 2;
        drive.setFaults(f);
        drive.receive(idleRequest(), 1, 0);
        QVERIFY(!drive.takeHangUp());
        drive.receive(idleRequest(), 1, 1);
        QVERIFY(drive.takeHangUp());
        drive.receive(idleRequest(), 1, 2);
        QVERIFY(!drive.takeHangUp());
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

    void waveformStartIsAcknowledgedBeforeTheFirstBlock()
    {
        DriveEndpoint drive;
        drive.receive(waveStart(3, 0, 7, 65535), 1, 0);
        const auto ack = drive.takeDue(0);
        QCOMPARE(ack.size(), 1);
        QCOMPARE(ack[0].bytes, buildFrame(0x0A, 0x04, QByteArray(2, '\0')));
        QVERIFY(drive.takeDue(DriveModel::kFirstBlockDelayUs - 1).isEmpty());
        QCOMPARE(drive.takeDue(DriveModel::kFirstBlockDelayUs).size(), 1);
        QCOMPARE(drive.channelPositions(), (std::array<quint16, 4>{{3, 0, 7, 65535}}));
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

    void blocksComeAtTheSampleRateAndParse_data()
    {
        QTest::addColumn<int>("rate");
        QTest::newRow("1 kHz") << 1000;
        QTest::newRow("10 kHz") << 10000;
    }

    void blocksComeAtTheSampleRateAndParse()
    {
        QFETCH(int, rate);
        WaveSettings wave;
        wave.rate = rate;
        DriveEndpoint drive(wave);
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(0);
        WaveStreamParser parser;
        QByteArray samples;
        // 0.5 s of stream, with keep-alives as the tool sends them.
        for (qint64 t = 0; t <= 500000; t += 100000) {
            drive.receive(request(0x0A, 0x06, QByteArray(2, '\0')), 1, t);
            const auto result = parser.feed(concat(drive.takeDue(t)));
            QCOMPARE(result.badBlocks, 0);
            samples += result.samples;
        }
        const qint64 expectedSets = (500000 - DriveModel::kFirstBlockDelayUs) * rate / 1000000;
        QVERIFY(qAbs(samples.size() / 8 - expectedSets) <= 25);
        // The third channel is a square wave: only plus and minus the amplitude.
        for (int at = 0; at < samples.size(); at += 8) {
            const int square = qint16(uint8_t(samples.at(at + 4)) << 8 | uint8_t(samples.at(at + 5)));
            QVERIFY(square == 1000 || square == -1000);
        }
    }

    void channelsStreamWhatTheirListPositionsSelect()
    {
        // Keys need not start at 0 nor run without holes: the tool lists the
        // named channels in key order and sends their places in that list.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("channels.xml"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto channel = [](const char *key, const char *name) {
            return QStringLiteral("<WaveformChannelItem><WaveChIndex>%1</WaveChIndex><WaveChName>%2</WaveChName>"
                                  "<WaveCoeff>1</WaveCoeff></WaveformChannelItem>")
                .arg(QString::fromUtf8(key), QString::fromUtf8(name));
        };
        file.write((QStringLiteral("<Root><Parameter><ParameterIndex>P00_01</ParameterIndex><DefaultValue>1"
                                  "</DefaultValue><MinValue>0</MinValue><MaxValue>6</MaxValue></Parameter>"
                                  "<WaveformChannelSel>")
                    + channel("2", "速度反馈") + channel("5", "")
                    + channel("9", "转矩指令") + channel("12", "母线电压")
                    + QStringLiteral("</WaveformChannelSel></Root>"))
                       .toUtf8());
        file.close();
        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) { return m.loadParameters(path); }));
        drive.receive(waveStart(2, 0, 1, 40), 1, 0);
        drive.takeDue(0);
        const auto streamed = drive.withModel([](DriveModel &m) { return m.streamedQuantities(); });
        QCOMPARE(streamed[0], DriveDynamics::Quantity::BusVoltage);
        QCOMPARE(streamed[1], DriveDynamics::Quantity::SpeedFeedback);
        QCOMPARE(streamed[2], DriveDynamics::Quantity::TorqueCommand);
        QCOMPARE(streamed[3], DriveDynamics::Quantity::Zero);

        const QByteArray samples =
            WaveStreamParser().feed(concat(drive.takeDue(DriveModel::kFirstBlockDelayUs))).samples;
        QVERIFY(samples.size() >= 8);
        QCOMPARE(qint32(qint16(uint8_t(samples.at(0)) << 8 | uint8_t(samples.at(1)))),
                 drive.withModel([](DriveModel &m) { return m.dynamics().value(DriveDynamics::Quantity::BusVoltage); }));
        QCOMPARE(qint16(uint8_t(samples.at(6)) << 8 | uint8_t(samples.at(7))), qint16(0));
    }

    void streamStopsWithoutKeepAlives()
    {
        DriveEndpoint drive;
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(900000);
        QVERIFY(drive.streaming());
        drive.takeDue(1100000);
        QVERIFY(!drive.streaming());
        QVERIFY(drive.takeDue(2000000).isEmpty());
    }

    void stopCommandEndsTheStreamWithoutAReply()
    {
        DriveEndpoint drive;
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(100000);
        drive.receive(request(0x0A, 0x05, QByteArray(2, '\0')), 1, 100000);
        QVERIFY(!drive.streaming());
        QVERIFY(drive.takeDue(200000).isEmpty());
    }

    void badSumsAndJunkReachTheParserAsTheySay()
    {
        DriveEndpoint drive;
        FaultSwitches f;
        f.badSumEvery = 4;
        f.junkBytes = 13;
        drive.setFaults(f);
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(0);
        drive.receive(request(0x0A, 0x06, QByteArray(2, '\0')), 1, 300000);
        WaveStreamParser parser;
        const auto result = parser.feed(concat(drive.takeDue(300000)));
        QCOMPARE(quint64(result.blocks), drive.stats().blocksSent);
        QCOMPARE(quint64(result.badBlocks), drive.stats().blocksCorrupted);
        QVERIFY(result.badBlocks >= 2);
    }

    void hostGoneStopsEverything()
    {
        DriveEndpoint drive;
        drive.receive(waveStart(), 1, 0);
        drive.receive(idleRequest(), 1, 0);
        drive.hostGone();
        QVERIFY(!drive.streaming());
        QVERIFY(drive.takeDue(100000).isEmpty());
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
