// The manual run page against the simulated drive, end to end: an inertia
// identification written to the drive and a rigidity measurement saved to it.
// (Stopping the drive when something goes wrong: tst_drivestop; the periodic
// monitor query: tst_faults.)

#include "testsupport.h"

#include <QListWidget>
#include <QTableWidget>
#include <QtTest>

class TestRunPage : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    qint64 paramByName(const char *name) const
    {
        // The drive's parameters by name, read through the window's definitions.
        for (const ParamGroup &group : window()->definitions().paramGroups)
            for (const ParamRecord &p : group)
                if (p.parametername == QString::fromUtf8(name)) {
                    const QStringList parts = p.ParameterIndex.mid(1).split(QLatin1Char('_'));
                    const int g = parts.value(0).toInt(), i = parts.value(1).toInt();
                    return drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
                }
        return -1;
    }
    void servoOn()
    {
        prompts->expect(QStringLiteral("确定运行？"));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(widget<QPushButton>("pushButton_ManualRunServoON")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunServoON")->click();
        QTRY_VERIFY(drive->withModel([](DriveModel &m) { return m.servoOn(); }));
        QTRY_COMPARE(widget<QLabel>("label_ManualRun_Mode")->text(), QStringLiteral("位置模式"));
    }

private slots:
    void init()
    {
        openCase();
        QVERIFY(startLinked());
    }

    void cleanup() { closeCase(); }

    void identificationIsWrittenToTheDrive()
    {
        servoOn();
        prompts->expect(QStringLiteral("惯量识别完成"));
        prompts->expect(QStringLiteral("刚性等级测试结果"));
        QTRY_VERIFY(widget<QPushButton>("pushButton_ManualRunInnerID")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunInnerID")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("惯量识别完成")), 15000);
        // The question shows the value it writes.
        QVERIFY(prompts->boxes.last().text.contains(QStringLiteral("286")));
        QTRY_COMPARE(paramByName("负载惯量比"), qint64(286));
        auto *results = widget<QTableWidget>("tableWidget_InertiaResult");
        QCOMPARE(results->item(0, 1)->text(), QStringLiteral("286"));

        // Then the measurement, saved to the drive.
        QVERIFY(widget<QPushButton>("pushButton_ManualRunNextStep")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunNextStep")->click();
        widget<QPushButton>("pushButton_ManualRunAutoParamTest")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("刚性等级测试结果")), 20000);
        QTRY_COMPARE(paramByName("刚性等级"), qint64(15));
        QVERIFY(widget<QTableWidget>("tableWidget_RigidityResult")->rowCount() >= 5);
    }

    void identificationNeedsPositionMode()
    {
        drive->withModel([](DriveModel &m) { m.dynamics().settings().controlMode = 2; });
        prompts->expect(QStringLiteral("确定运行？"));
        prompts->expect(QStringLiteral("无法进行惯量识别"));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(widget<QPushButton>("pushButton_ManualRunServoON")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunServoON")->click();
        QTRY_COMPARE(widget<QLabel>("label_ManualRun_Mode")->text(), QStringLiteral("速度模式"));
        window()->on_pushButton_ManualRunInnerID_clicked();
        QVERIFY(prompts->hasTitle(QStringLiteral("无法进行惯量识别")));
        QCOMPARE(window()->manualRun().state(), int(ManualRunMachine::JogState));
    }
};

QTEST_MAIN(TestRunPage)
#include "tst_runpage.moc"
