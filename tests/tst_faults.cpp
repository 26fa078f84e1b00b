// The whole tool against a misbehaving drive: replies dropped, corrupted or
// split, junk and bad sums in the waveform stream, the drive hanging up in
// the middle of a transfer. Every flow ends, releases its busy flags, never
// shows a value the drive did not send, and the tool's traffic counters agree
// with what the drive counted.

#include "definitions/codes.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>

#include <atomic>

class TestFaults : public QObject, private DriveFixture
{
    Q_OBJECT

private:

    QString text(const char *label) const { return widget<QLabel>(label)->text(); }
    int counter(const char *label) const { return text(label).mid(3).toInt(); }
    void setFaults(const QString &name, const QString &value)
    {
        QString error;
        QVERIFY2(drive->applyFault(name, value, &error), qPrintable(error));
    }
    // Every parameter shows the drive's value, or nothing when it was never read.
    void verifyValuesFromTheDrive(bool allRead)
    {
        const Definitions &defs = window()->definitions();
        int compared = 0;
        for (const ParamGroup &group : defs.paramGroups) {
            for (const ParamRecord &p : group) {
                int g, i;
                QVERIFY(Codes::splitNumbers(p.ParameterIndex, &g, &i));
                const qint64 held = drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
                if (p.currentValue.isEmpty() && !allRead)
                    continue;
                QVERIFY2(p.currentValue == QString::number(held),
                         qPrintable(QStringLiteral("%1 shows %2, the drive holds %3").arg(p.ParameterIndex, p.currentValue).arg(held)));
                ++compared;
            }
        }
        if (allRead)
            QVERIFY(compared > 300);
    }
    void readAll()
    {
        prompts->boxes.clear();
        window()->on_pushButton_ReadAllParam_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 30000);
        QVERIFY(!window()->isParamTransferBusy());
    }
    // Compares the counters with the drive's: every frame the tool sent
    // arrived whole, and it took every good reply the drive sent and nothing
    // else; from a drive that answers late it took one reply per request,
    // and the resends show. The link stays up (keep-alives go on), so this
    // waits for a moment with no exchange in flight.
    void verifyCounters(bool late)
    {
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     const SimStats s = drive->stats();
                                     const quint64 tx = quint64(counter("txNum"));
                                     const quint64 rx = quint64(counter("rxNum"));
                                     return tx == s.requests
                                         && (late ? rx < tx && counter("errorNum") > 0
                                                  : rx == s.repliesSent - s.repliesCorrupted);
                                 }()),
                                 10000);
    }

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void transfersAndMonitorSurviveABadLine_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("value");
        QTest::newRow("10% of replies dropped") << QStringLiteral("drop-every") << QStringLiteral("10");
        QTest::newRow("10% of replies corrupted") << QStringLiteral("corrupt-every") << QStringLiteral("10");
        QTest::newRow("replies in chunks") << QStringLiteral("split") << QStringLiteral("7:3");
        QTest::newRow("replies 250 ms late") << QStringLiteral("delay") << QStringLiteral("250");
        QTest::newRow("replies 450 ms late") << QStringLiteral("delay") << QStringLiteral("450");
    }

    void transfersAndMonitorSurviveABadLine()
    {
        QFETCH(QString, fault);
        QFETCH(QString, value);
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        startApp();
        // Connected on another page: no load-source dialog in the way.
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::MonitorPage);
        QVERIFY(connectToDrive());
        setFaults(fault, value);

        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        readAll();
        verifyValuesFromTheDrive(true);

        // Six changed values go down and arrive as they were.
        const QStringList codes = {QStringLiteral("P01_00"), QStringLiteral("P01_01"), QStringLiteral("P01_02"),
                                   QStringLiteral("P01_05"), QStringLiteral("P01_06"), QStringLiteral("P01_10")};
        for (int i = 0; i < codes.size(); ++i) {
            ParamRecord *p = window()->definitions().findParam(codes.at(i));
            p->currentValue = QString::number(100 + i);
            p->state |= ParamState::Checked | ParamState::Changed;
        }
        window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
        prompts->boxes.clear();
        window()->on_pushButton_DownLoadParam_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(!prompts->boxes.isEmpty(), 30000);
        QCOMPARE(prompts->boxes.last().title, QStringLiteral("参数设置结果"));
        QVERIFY(!window()->isParamTransferBusy());
        for (int i = 0; i < codes.size(); ++i) {
            int g, idx;
            Codes::splitNumbers(codes.at(i), &g, &idx);
            QCOMPARE(drive->withModel([&](DriveModel &m) { return m.parameters().value(g, idx); }), qint64(100 + i));
        }

        // Periodic monitor queries keep cycling and show the drive's words.
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::MonitorPage);
        widget<QSpinBox>("spinBox_UnQueryPeriod")->setValue(100);
        widget<QCheckBox>("checkBox_UnPeriodQuery")->click();
        const int before = counter("rxNum");
        QTRY_VERIFY_WITH_TIMEOUT(counter("rxNum") > before + 20, 20000);
        widget<QCheckBox>("checkBox_UnPeriodQuery")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isMonitorQueryBusy(), 5000);
        for (const UnDisplayRecord &u : window()->definitions().unGroups[2]) {
            if (u.UnDisplayIndex == QLatin1String("U2-04") && !u.valueText.isEmpty())
                QCOMPARE(u.valueText, QStringLiteral("1.04")); // firmware version word 104
        }
        QCOMPARE(window()->linkState(), 1);
        verifyCounters(fault == QLatin1String("delay"));
    }

    void captureDropsOnlyDamagedBlocks()
    {
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        WaveGenerator::Settings ramps;
        ramps.rate = 10000;
        ramps.patterns = {{WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp}};
        drive->setWaveSettings(ramps);
        drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
        startApp();
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
        QVERIFY(connectToDrive());
        setFaults(QStringLiteral("junk"), QStringLiteral("5"));
        setFaults(QStringLiteral("bad-sum-every"), QStringLiteral("10"));
        setFaults(QStringLiteral("drop-every"), QStringLiteral("10"));

        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY_WITH_TIMEOUT(window()->waveCapture().count() >= 10000, 20000);
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY(!drive->withModel([](DriveModel &m) { return m.streaming(); }));

        // Whatever arrived is the drive's ramp: a damaged block leaves a gap,
        // never a value of its own, and the channels agree.
        // A block dropped for its sum leaves its time in the axis too: the
        // time after a gap never runs ahead of the samples the drive made.
        const QVector<QPointF> &a = window()->waveCapture().raw(0);
        const double period = window()->waveCapture().period();
        int gaps = 0, timeGaps = 0;
        for (int i = 1; i < a.size(); ++i) {
            const int step = qint16(qint16(a[i].y()) - qint16(a[i - 1].y()));
            const int periods = int(std::lround((a[i].x() - a[i - 1].x()) / period));
            QVERIFY2(step >= 1, qPrintable(QStringLiteral("point %1: %2 after %3").arg(i).arg(a[i].y()).arg(a[i - 1].y())));
            QVERIFY2(periods >= 1 && periods <= step, qPrintable(QStringLiteral("point %1: %2 periods").arg(i).arg(periods)));
            gaps += step > 1;
            timeGaps += periods > 1;
        }
        QVERIFY(gaps > 0); // the bad sums were there, and were caught
        QVERIFY(timeGaps > 0);
        for (int c = 1; c < WaveCapture::kChannels; ++c)
            QCOMPARE(window()->waveCapture().raw(c), a);
        QCOMPARE(window()->linkState(), 1);
    }

    void hangUpMidTransferAndComeBack()
    {
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        static std::atomic<bool> cameBack;
        cameBack = false;
        server->setOnNewPath([](const QString &path) {
            qputenv("SERVO_EXTRA_PORTS", path.toLocal8Bit());
            cameBack = true;
        });
        startApp();
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::MonitorPage);
        QVERIFY(connectToDrive());
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        // The drive goes away after a few replies of the read.
        setFaults(QStringLiteral("hang-up-after"), QStringLiteral("4:300"));
        window()->on_pushButton_ReadAllParam_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(window()->linkState() != 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isParamTransferBusy(), 10000);
        QVERIFY(!prompts->hasText(QStringLiteral("参数读取成功")));
        verifyValuesFromTheDrive(false);

        // It comes back on a new line; connecting again works and the read completes.
        setFaults(QStringLiteral("hang-up-after"), QStringLiteral("-1"));
        QTRY_VERIFY_WITH_TIMEOUT(cameBack && drive->stats().hangUps == 1, 5000);
        window()->comDisConnect();
        QTRY_COMPARE(text("communicateState"), QStringLiteral("通信断开"));
        QVERIFY(connectToDrive());
        readAll();
        verifyValuesFromTheDrive(true);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
