// Each way the line fails against each user flow: every cell ends with its busy
// flags released and shows exactly what the drive holds, or ends the link
// plainly; never a value the drive did not send, never a success after a failure.

#include "definitions/codes.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace {
// A link that ends names its cause: the drive's silence, or the line gone (port or writes failing).
enum Outcome { ValuesCorrect, NoReply, PortGone };
// Six values that go down in one batch.
const QStringList kCodes = {QStringLiteral("P01_00"), QStringLiteral("P01_01"), QStringLiteral("P01_02"),
                            QStringLiteral("P01_05"), QStringLiteral("P01_06"), QStringLiteral("P01_10")};
} // namespace

class TestFaults : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    int counter(const char *label) const { return widget<QLabel>(label)->text().mid(3).toInt(); }
    qint64 held(const QString &code) const
    {
        int g = 0, i = 0;
        Codes::splitNumbers(code, &g, &i);
        return drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
    }
    void applyFaults(const QStringList &switches)
    {
        for (const QString &s : switches) {
            QString name = s.section(QLatin1Char('='), 0, 0), value = s.section(QLatin1Char('='), 1), error;
            if (name == QLatin1String("hang-up-after"))
                value = QString::number(drive->stats().replies + value.toULongLong());
            QVERIFY2(drive->applyFault(name, value, &error), qPrintable(error));
        }
    }
    void verifyParamsFromTheDrive(bool allRead)
    {
        int compared = 0;
        for (const ParamGroup &group : window()->definitions().paramGroups)
            for (const ParamRecord &p : group) {
                if (p.currentValue.isEmpty() && !allRead)
                    continue;
                QVERIFY2(p.currentValue == QString::number(held(p.ParameterIndex)),
                         qPrintable(p.ParameterIndex + QStringLiteral(" shows ") + p.currentValue));
                ++compared;
            }
        QVERIFY(!allRead || compared > 300);
    }
    // The monitor shows the drive's words: the firmware version, when shown.
    bool monitorShowsTheDrive(bool complete) const
    {
        auto *table = widget<QTableWidget>("tableWidget_UnDisplay");
        for (int row = 0; row < table->rowCount(); ++row) {
            const QString value = table->item(row, 2)->text();
            if (complete && value.isEmpty())
                return false;
            if (table->item(row, 0)->text() == QLatin1String("U2-04") && !value.isEmpty()
                && value != QLatin1String("1.04"))
                return false;
        }
        return true;
    }
    // A capture holds the drive's ramp on every channel: a lost block leaves a
    // gap in values and time. Returns the gaps, or minus a bad sample's index.
    int verifyCaptureIsTheDrives()
    {
        const QVector<QPointF> &a = window()->waveCapture().raw(0);
        const double period = window()->waveCapture().period();
        int gaps = 0;
        for (int i = 1; i < a.size(); ++i) {
            const int step = qint16(qint16(a[i].y()) - qint16(a[i - 1].y()));
            const int periods = int(std::lround((a[i].x() - a[i - 1].x()) / period));
            if (step < 1 || periods < 1 || periods > step)
                return -i;
            gaps += step > 1 && periods > 1;
        }
        for (int c = 1; c < WaveCapture::kChannels; ++c)
            if (window()->waveCapture().raw(c) != a)
                return -1;
        return gaps;
    }
    // The tool took every good reply and block and nothing else; from a late
    // drive one reply per request, the resends counted as errors.
    bool countersMatchTheDrive(bool late) const
    {
        const SimStats s = drive->stats();
        const quint64 tx = quint64(counter("txNum")), rx = quint64(counter("rxNum"));
        const quint64 good = s.repliesSent - s.repliesCorrupted + s.blocksSent - s.blocksCorrupted;
        return tx == s.requests && (late ? rx < good && counter("errorNum") > 0 : rx == good);
    }

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void eachFlowOnABadLine_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<int>("outcome");
        const QList<std::tuple<const char *, QStringList, Outcome>> modes = {
            {"clean line", {}, ValuesCorrect},
            {"every 7th reply dropped", {QStringLiteral("drop-every=7")}, ValuesCorrect},
            {"every 7th reply corrupted", {QStringLiteral("corrupt-every=7"), QStringLiteral("bad-sum-every=10")}, ValuesCorrect},
            {"replies in chunks", {QStringLiteral("split=7:3")}, ValuesCorrect},
            {"replies 250 ms late", {QStringLiteral("delay=250")}, ValuesCorrect},
            {"replies 450 ms late", {QStringLiteral("delay=450")}, ValuesCorrect},
            {"replies 700 ms late", {QStringLiteral("delay=700")}, NoReply},
            {"drive hangs up", {QStringLiteral("hang-up-after=3")}, PortGone},
        };
        for (const char *flow : {"read all", "download", "monitor", "capture"}) {
            for (auto [mode, switches, outcome] : modes) {
                if (qstrcmp(flow, "download") == 0)
                    switches.replaceInStrings(QStringLiteral("hang-up-after=3"), QStringLiteral("hang-up-after=1"));
                QTest::addRow("%s, %s", flow, mode) << QString::fromLatin1(flow) << switches << int(outcome);
            }
        }
        QTest::newRow("capture, junk before blocks") << QStringLiteral("capture") << QStringList{QStringLiteral("junk=5")}
                                                     << int(ValuesCorrect);
    }

    void eachFlowOnABadLine()
    {
        QFETCH(QString, flow);
        QFETCH(QStringList, switches);
        QFETCH(int, outcome);
        const bool correct = outcome == ValuesCorrect;
        const bool capture = flow == QLatin1String("capture");
        if (capture)
            dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        if (capture) {
            WaveGenerator::Settings ramps;
            ramps.rate = 10000;
            ramps.patterns = {{WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp}};
            drive->setWaveSettings(ramps);
            drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
        }
        startApp();
        auto *pages = widget<QListWidget>("listWidget");
        pages->setCurrentRow(MainWindow::MonitorPage);
        QVERIFY(connectToDrive());
        const auto ended = [&] { return window()->linkState() == 0; };
        if (!correct)
            prompts->expect(QStringLiteral("通信断开"), QMessageBox::Close);
        if (flow == QLatin1String("read all") || flow == QLatin1String("download"))
            pages->setCurrentRow(MainWindow::ParamPage);

        if (flow == QLatin1String("read all")) {
            prompts->expect(QStringLiteral("参数读取成功"));
            applyFaults(switches);
            widget<QPushButton>("pushButton_ReadAllParam")->click();
            QTRY_VERIFY_WITH_TIMEOUT(correct ? prompts->hasText(QStringLiteral("参数读取成功")) : ended(), 30000);
            QCOMPARE(prompts->hasText(QStringLiteral("参数读取成功")), correct);
            verifyParamsFromTheDrive(correct);
        } else if (flow == QLatin1String("download")) {
            QList<qint64> before;
            for (int i = 0; i < kCodes.size(); ++i) {
                before.append(held(kCodes.at(i)));
                ParamRecord *p = window()->definitions().findParam(kCodes.at(i));
                p->currentValue = QString::number(100 + i);
                p->state |= ParamState::Checked | ParamState::Changed;
            }
            window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
            prompts->expect(QStringLiteral("参数设置结果"));
            prompts->expect(QStringLiteral("下载中断"), QMessageBox::No);
            applyFaults(switches);
            widget<QPushButton>("pushButton_DownLoadParam")->click();
            QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(correct ? QStringLiteral("参数设置结果") : QStringLiteral("下载中断")), 30000);
            QVERIFY(correct || !prompts->hasTitle(QStringLiteral("参数设置结果")));
            // After a failure each value is as sent or as before.
            for (int i = 0; i < kCodes.size(); ++i) {
                const qint64 now = held(kCodes.at(i));
                QVERIFY2(now == 100 + i || (!correct && now == before.at(i)), qPrintable(kCodes.at(i)));
            }
        } else if (flow == QLatin1String("monitor")) {
            widget<QSpinBox>("spinBox_UnQueryPeriod")->setValue(100);
            applyFaults(switches);
            widget<QCheckBox>("checkBox_UnPeriodQuery")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!monitorShowsTheDrive(false) || (correct ? monitorShowsTheDrive(true) : ended()), 20000);
            widget<QCheckBox>("checkBox_UnPeriodQuery")->click();
            QVERIFY(monitorShowsTheDrive(false));
        } else {
            pages->setCurrentRow(MainWindow::WavePage);
            const bool hangUp = !switches.isEmpty() && switches.first().startsWith(QLatin1String("hang-up"));
            if (!hangUp)
                applyFaults(switches);
            widget<QPushButton>("pushButton_waveformRec")->click();
            QTRY_VERIFY_WITH_TIMEOUT(window()->waveCapture().count() >= 4000 || ended(), 20000);
            if (hangUp)
                server->hangUp(-1);
            if (correct)
                widget<QPushButton>("pushButton_waveformRec")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording() && !drive->streaming(), 5000);
            const int gaps = verifyCaptureIsTheDrives();
            QVERIFY2(gaps >= 0, qPrintable(QStringLiteral("a sample not the drive's at %1").arg(-gaps)));
            QVERIFY(gaps > 0 || !switches.join(QLatin1Char(' ')).contains(QLatin1String("bad-sum")));
        }

        QTRY_VERIFY_WITH_TIMEOUT(
            !window()->isParamTransferBusy() && !window()->isMonitorQueryBusy() && !window()->isRecording(), 5000);
        if (correct) {
            QCOMPARE(window()->linkState(), 1);
            const bool late = switches.join(QLatin1Char(' ')).contains(QLatin1String("delay"));
            QTRY_VERIFY_WITH_TIMEOUT(countersMatchTheDrive(late), 10000);
            QVERIFY(!switches.isEmpty() || counter("errorNum") == 0);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(ended(), 10000);
            QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信断开"));
            QTRY_VERIFY(prompts->hasTitle(QStringLiteral("通信断开")));
            QVERIFY2(prompts->boxes.last().text.contains(outcome == NoReply ? QStringLiteral("驱动器连续三次没有应答")
                                                                             : QStringLiteral("拔出")),
                     qPrintable(prompts->boxes.last().text));
        }
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
