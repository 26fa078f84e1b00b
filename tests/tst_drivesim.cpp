// The simulated drive where the window tests (which run against it) do not reach it or take it on trust.

#include "link/frame.h"
#include "link/waveparser.h"
#include "mainwindow/wavespectrum.h"
#include "sim/drivedynamics.h"
#include "sim/driveendpoint.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
const QByteArray kIdleRequest = QByteArray::fromHex("7E0E01080000FAE3");

QByteArray waveStart(quint16 a = 1, quint16 b = 2, quint16 c = 3, quint16 d = 4)
{
    QByteArray payload;
    for (quint16 v : {a, b, c, d}) {
        payload.append(char(v >> 8));
        payload.append(char(v & 0xFF));
    }
    for (int i = 0; i < 8; ++i)
        payload.append(QByteArray::fromHex("0001"));
    return buildFrame(0x0A, 0x04, payload);
}

// Loads four parameters and four waveform channels, one unnamed, whose keys start above 0 and have holes.
bool loadDefinitions(DriveEndpoint &drive, QTemporaryDir &dir)
{
    QString xml = QStringLiteral("<Root><FuncCodeVersion>V1.1</FuncCodeVersion>");
    const QList<QStringList> params = {{"P00_01", "0", "6", "2", "停机设定", "16bit", "unsigned"},
                                       {"P00_03", "-100", "100", "-5", "运行设定", "16bit", "signed"},
                                       {"P01_00", "0", "100000", "5000", "运行设定", "32bit", "unsigned"},
                                       {"P02_07", "0", "9", "1", "只读", "16bit", "unsigned"}};
    for (const QStringList &p : params)
        xml += QStringLiteral("<Parameter><ParameterIndex>%1</ParameterIndex><DefaultValue>%4</DefaultValue>"
                              "<MinValue>%2</MinValue><MaxValue>%3</MaxValue><ModifyTime>%5</ModifyTime>"
                              "<DataWidth>%6</DataWidth><DataSign>%7</DataSign></Parameter>")
                   .arg(p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
    xml += QStringLiteral("<WaveformChannelSel>");
    const QList<QPair<int, QString>> channels = {{2, "速度反馈"}, {5, ""}, {9, "转矩指令"}, {12, "母线电压"}};
    for (const auto &c : channels)
        xml += QStringLiteral("<WaveformChannelItem><WaveChIndex>%1</WaveChIndex><WaveChName>%2</WaveChName>"
                              "<WaveCoeff>1</WaveCoeff></WaveformChannelItem>")
                   .arg(QString::number(c.first), c.second);
    xml += QStringLiteral("</WaveformChannelSel></Root>");
    const QString path = dir.filePath(QStringLiteral("defs.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(xml.toUtf8()) < 0 || !file.flush())
        qFatal("cannot write %s", qPrintable(path));
    return drive.withModel([&](DriveModel &m) { return m.loadParameters(path); });
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
    // Frames are found behind junk and a corrupted frame; half a frame is forgotten after a silence.
    void framesAreFoundLikeADriveDoes()
    {
        DriveEndpoint drive;
        QByteArray corrupted = kIdleRequest;
        corrupted[7] = 0;
        const QByteArray stream = QByteArray::fromHex("00117E0E") + corrupted + kIdleRequest + kIdleRequest;
        for (int i = 0; i < stream.size(); i += 3)
            drive.receive(stream.mid(i, 3), 1, i);
        QCOMPARE(drive.stats().requests, 2u);
        drive.receive(kIdleRequest.left(5), 1, 1000);
        drive.receive(kIdleRequest.mid(5), 1, 1000 + DriveEndpoint::kInterByteTimeoutUs + 1);
        drive.receive(kIdleRequest, 1, 1000 + DriveEndpoint::kInterByteTimeoutUs + 2);
        QCOMPARE(drive.stats().requests, 3u);
    }

    // Replies the window tests never ask for: `bytes` at `at` in a reply of `size` bytes (0: none).
    void answersLikeADrive_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("monitor items padded to the count asked for")
            << buildFrame(0x04, 0x01, QByteArray::fromHex("020102030005")) << 36 << 4 + 3 * 6
            << QByteArray::fromHex("FFFF00000000FFFF00000000");
        QTest::newRow("monitor count too large for a frame")
            << buildFrame(0x04, 0x01, QByteArray::fromHex("000002FF002A")) << 0 << 0 << QByteArray();
        QTest::newRow("software version") << buildFrame(0x0B, 0x01, QByteArray(2, '\0')) << 26 << 4 << QByteArray("DSP");
        // P00_01 to P01_00, five asked for: three exist, two markers follow.
        QTest::newRow("parameter range with markers")
            << buildFrame(0x01, 0x01, QByteArray::fromHex("000101000500")) << 36 << 4
            << QByteArray::fromHex("000100000002" "0003FFFFFFFB" "010000001388" "000000000000" "000000000000");
        QTest::newRow("parameter list, a missing one marked")
            << buildFrame(0x02, 0x01, QByteArray::fromHex("09090207")) << 18 << 4
            << QByteArray::fromHex("000000000000" "020700000001");
        QTest::newRow("writes: stored, above max, below min, read-only, missing")
            << buildFrame(0x03, 0x01, QByteArray::fromHex("0003FFFFFFF6" "000300000065" "0003FFFFFF9B" "020700000002"
                                                          "090900000001"))
            << 26 << 4 << QByteArray::fromHex("00030000" "00030001" "00030002" "02070010" "09090008");
        // The list reply follows the write's ten bytes.
        QTest::newRow("a stored write reads back")
            << buildFrame(0x03, 0x01, QByteArray::fromHex("0003FFFFFFF6")) + buildFrame(0x02, 0x01, QByteArray::fromHex("0003"))
            << 22 << 14 << QByteArray::fromHex("0003FFFFFFF6");
        QTest::newRow("a stop-only parameter after servo on, behind the 58-byte manual-run reply")
            << buildFrame(0x05, 0x01, QByteArray::fromHex("0002006400640000")) + buildFrame(0x03, 0x01, QByteArray::fromHex("000100000003"))
            << 68 << 62 << QByteArray::fromHex("00010004");
    }

    void answersLikeADrive()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, size);
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        DriveEndpoint drive;
        QVERIFY(loadDefinitions(drive, dir));
        drive.receive(request, 1, 0);
        const QByteArray reply = concat(drive.takeDue(0));
        QCOMPARE(reply.size(), size);
        QCOMPARE(reply.mid(at, bytes.size()), bytes);
    }

    // JOG turns a ready drive's motor and the monitors follow; a drive that is not ready stays off and says so.
    void jogMovesAReadyDrive_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::newRow("ready") << true;
        QTest::newRow("not ready") << false;
    }

    void jogMovesAReadyDrive()
    {
        QFETCH(bool, ready);
        DriveDynamics d;
        d.setReady(ready);
        d.command(0x0002, 300, 100, 0, 0);
        d.command(0x0008, 0, 0, 0, 0);
        d.advance(200000);
        QCOMPARE(d.servoOn(), ready);
        QCOMPARE(d.quantity(QStringLiteral("电机转速")), ready ? 300 : 0);
        QCOMPARE(int(uint8_t(d.dataReply().at(0))), int(ready ? DriveDynamics::StateRunning : DriveDynamics::StateNotReady));
        if (!ready)
            return;
        QVERIFY(d.quantity(QStringLiteral("位置反馈累计")) > 0);
        QVERIFY(d.quantity(QStringLiteral("母线电压")) > 3000);
        d.command(0x0018, 0, 0, 0, 300000);
        d.advance(500000);
        QCOMPARE(d.quantity(QStringLiteral("电机转速")), 0);
    }

    // Per idle request under the switches: each output's time after it (to the ms) and size, whole frame or not, H: hang-up.
    void faultSwitchesShapeTheReplies_data()
    {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QString>("trace");
        QTest::newRow("third dropped, second corrupted, 10 ms late")
            << QStringList{"drop-every=3", "corrupt-every=2", "delay=10"} << "10000:8 ok|10000:8 bad||10000:8 bad";
        QTest::newRow("in chunks of 3, 2 ms apart")
            << QStringList{"split=3:2"} << "0:3 2000:3 4000:2 ok|0:3 2000:3 4000:2 ok|0:3 2000:3 4000:2 ok|0:3 2000:3 4000:2 ok";
        QTest::newRow("hang up once after two") << QStringList{"hang-up-after=2"} << "0:8 ok|0:8 ok H|0:8 ok|0:8 ok";
    }

    void faultSwitchesShapeTheReplies()
    {
        QFETCH(QStringList, switches);
        QFETCH(QString, trace);
        DriveEndpoint drive;
        QString error;
        for (const QString &s : switches)
            QVERIFY(drive.applyFault(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1), &error));
        QStringList requests;
        for (qint64 at = 0; at < 400000; at += 100000) {
            drive.receive(kIdleRequest, 1, at);
            QStringList seen;
            QByteArray all;
            for (qint64 t = at; t < at + 100000; t += 1000) {
                for (const auto &o : drive.takeDue(t)) {
                    seen.append(QStringLiteral("%1:%2").arg(t - at).arg(o.bytes.size()));
                    all += o.bytes;
                }
            }
            if (!all.isEmpty())
                seen.append(QLatin1String(frameIsValid(all) ? "ok" : "bad"));
            if (drive.takeHangUp())
                seen.append(QStringLiteral("H"));
            requests.append(seen.join(QLatin1Char(' ')));
        }
        QCOMPARE(requests.join(QLatin1Char('|')), trace);
    }

    // Also a start while the drive streams: acknowledged again, the stream begins afresh after it.
    void slowAcknowledgementStillComesFirst()
    {
        DriveEndpoint drive;
        FaultSwitches slow;
        slow.delayMs = 30;
        drive.setFaults(slow);
        for (int at : {0, 100000}) {
            drive.receive(buildFrame(0x0A, 0x06, QByteArray(2, '\0')), 1, at);
            drive.receive(waveStart(), 1, at);
            const auto out = drive.takeDue(at + 100000);
            QVERIFY(out.size() > 1 && !out[0].block);
            QCOMPARE(out[0].dueUs, at + 30000);
            QCOMPARE(out[1].dueUs, at + 30000 + DriveModel::kFirstBlockDelayUs);
        }
    }

    // Blocks at the sample rate, bad sums and junk as the switches say; the first channel a sine of its own
    // frequency and amplitude, the third a square wave.
    void blocksComeAtTheSampleRateAndParse_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("badSumEvery");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<int>("sineHz");
        QTest::addColumn<int>("sineAmplitude");
        QTest::newRow("1 kHz") << 1000 << 0 << "sine,triangle,square,noise" << 5 << 1000;
        QTest::newRow("10 kHz, own sine") << 10000 << 0 << "sine:50:2000,triangle,square:7,noise" << 50 << 2000;
        QTest::newRow("1 kHz, bad sums and junk") << 1000 << 4 << "sine:20:300,ramp,square,noise" << 20 << 300;
    }

    void blocksComeAtTheSampleRateAndParse()
    {
        QFETCH(int, rate);
        QFETCH(int, badSumEvery);
        QFETCH(QString, channels);
        QFETCH(int, sineHz);
        QFETCH(int, sineAmplitude);
        WaveSettings wave;
        wave.rate = rate;
        QString error;
        QVERIFY2(WaveGenerator::parseChannels(channels, &wave, &error), qPrintable(error));
        DriveEndpoint drive(wave);
        FaultSwitches f;
        f.badSumEvery = badSumEvery;
        f.junkBytes = badSumEvery ? 13 : 0;
        drive.setFaults(f);
        drive.receive(waveStart(), 1, 0);
        drive.takeDue(0);
        WaveStreamParser parser;
        QByteArray samples;
        int badBlocks = 0;
        for (qint64 t = 0; t <= 500000; t += 100000) {
            drive.receive(buildFrame(0x0A, 0x06, QByteArray(2, '\0')), 1, t);
            const auto result = parser.feed(concat(drive.takeDue(t)));
            samples += result.samples;
            badBlocks += result.badBlocks;
        }
        QCOMPARE(badBlocks > 0, badSumEvery > 0);
        const qint64 expectedSets = (500000 - DriveModel::kFirstBlockDelayUs) * rate / 1000000;
        QVERIFY(qAbs(samples.size() / 8 + badBlocks * 25 - expectedSets) <= 25);
        int highest = 0, risings = 0, previous = 0;
        for (int at = 0; at < samples.size(); at += 8) {
            const int sine = qint16(uint8_t(samples.at(at)) << 8 | uint8_t(samples.at(at + 1)));
            const int square = qint16(uint8_t(samples.at(at + 4)) << 8 | uint8_t(samples.at(at + 5)));
            QVERIFY(square == 1000 || square == -1000);
            highest = qMax(highest, sine);
            risings += at > 0 && previous < 0 && sine >= 0;
            previous = sine;
        }
        QVERIFY(qAbs(highest - sineAmplitude) <= 1);
        // A lost block takes at most one rising edge with it.
        const double cycles = double(samples.size() / 8 + badBlocks * 25) * sineHz / rate;
        QVERIFY2(qAbs(risings - cycles) <= 1 + badBlocks, qPrintable(QString::number(risings)));
    }

    // The demo's speed steps are followed as a tuned loop follows them: some overshoot, then settled, sooner
    // at a higher stiffness level.
    void speedStepsOvershootAndSettle()
    {
        std::array<qint64, 2> settledUs{};
        for (int i = 0; i < 2; ++i) {
            DriveDynamics d;
            d.setDemo(true);
            d.setResonance(0);
            d.setRigidity(i ? 20 : 12);
            int peak = 0;
            for (qint64 t = 2000000; t < 4000000; t += 100) { // the step from +300 to -300 rpm
                d.advance(t);
                const int speed = d.quantity(QStringLiteral("电机转速"));
                peak = qMin(peak, speed);
                if (std::abs(speed + 300) > 12)
                    settledUs[size_t(i)] = t - 2000000;
            }
            QVERIFY2(peak < -330 && peak > -400, qPrintable(QString::number(peak)));
        }
        QVERIFY2(settledUs[1] < settledUs[0] && settledUs[0] < 300000, qPrintable(QString::number(settledUs[0])));
    }

    // With the motor powered, a high stiffness level makes the speed feedback ring at the resonance; the
    // default level does not.
    void highStiffnessRingsAtTheResonance_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("rings");
        QTest::newRow("default") << -1 << false;
        QTest::newRow("15") << 15 << false;
        QTest::newRow("24") << 24 << true;
    }

    void highStiffnessRingsAtTheResonance()
    {
        QFETCH(int, level);
        QFETCH(bool, rings);
        WaveSettings wave;
        wave.rate = 10000;
        DriveEndpoint drive(wave);
        drive.withModel([level](DriveModel &m) {
            m.loadParameters(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/zh_CN_Parameter.xml"));
            if (level >= 0)
                m.parameters().setByName(QStringLiteral("刚性等级"), level);
            m.setServoOn(true);
        });
        drive.receive(waveStart(0, 0, 0, 0), 1, 0); // speed feedback on every channel
        drive.takeDue(0);
        QVector<double> speed;
        WaveStreamParser parser;
        for (qint64 t = 0; t <= 1100000; t += 100000) {
            drive.receive(buildFrame(0x0A, 0x06, QByteArray(2, '\0')), 1, t);
            const QByteArray samples = parser.feed(concat(drive.takeDue(t))).samples;
            for (int at = 0; at < samples.size(); at += 8)
                speed.append(qint16(uint8_t(samples.at(at)) << 8 | uint8_t(samples.at(at + 1))));
        }
        QVERIFY(speed.size() >= 10000);
        WaveSpectrum spectrum;
        const auto peaks = spectrum.compute(speed, 10000, WaveSpectrum::Hann).peaks;
        const bool ringing = !peaks.isEmpty() && peaks[0].db > 0 && qAbs(peaks[0].frequency - 350) < 10;
        QCOMPARE(ringing, rings);
    }

    // A start names places in the key-ordered list of named channels.
    void channelsStreamWhatTheirListPositionsSelect()
    {
        QTemporaryDir dir;
        DriveEndpoint drive;
        QVERIFY(loadDefinitions(drive, dir));
        drive.receive(waveStart(2, 0, 1, 40), 1, 0);
        drive.takeDue(0);
        using Q = DriveDynamics::Quantity;
        QCOMPARE(drive.withModel([](DriveModel &m) { return m.streamedQuantities(); }),
                 (std::array<Q, 4>{{Q::BusVoltage, Q::SpeedFeedback, Q::TorqueCommand, Q::Zero}}));
        const QByteArray samples = WaveStreamParser().feed(concat(drive.takeDue(DriveModel::kFirstBlockDelayUs))).samples;
        QVERIFY(samples.size() >= 8);
        QCOMPARE(qint32(qint16(uint8_t(samples.at(0)) << 8 | uint8_t(samples.at(1)))),
                 drive.withModel([](DriveModel &m) { return m.dynamics().value(Q::BusVoltage); }));
        QCOMPARE(qint16(uint8_t(samples.at(6)) << 8 | uint8_t(samples.at(7))), qint16(0));
    }

    // What ends a stream: the stop command (no reply), the host closing the line, a second without keep-alive.
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
        if (how == 0)
            drive.receive(buildFrame(0x0A, 0x05, QByteArray(2, '\0')), 1, 900000);
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
        // Every fault switch is an option; their values are checked on standard input too.
        QStringList args{QStringLiteral("--link"), link, QStringLiteral("--rate"), QStringLiteral("10000")};
        for (const QString &name : FaultSwitches::names())
            args << QStringLiteral("--") + name << QStringLiteral("0");
        QProcess sim;
        sim.start(QStringLiteral(DRIVE_SIM_PATH), args);
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(sim.canReadLine());
        const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        sim.write("drop-every 3\nhang-up-after 5:300\ndrop-every many\nexplode 1\nstats\n");
        QByteArray said;
        QTRY_VERIFY((said += sim.readAllStandardError()).contains("requests 0"));
        for (const char *text : {"drop-every 3,", "hang-up-after 5:300", "bad value for drop-every: many", "unknown switch: explode"})
            QVERIFY2(said.contains(text), text);

        ::kill(pid_t(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link));
    }
};

QTEST_GUILESS_MAIN(TestDriveSim)
#include "tst_drivesim.moc"
