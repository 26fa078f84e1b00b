// The manual run page's identification and measurement against the simulated drive.

#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

class TestRunPage : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    qint64 paramByName(const char *name) const
    {
        for (const ParamGroup &group : window()->definitions().paramGroups)
            for (const ParamRecord &p : group)
                if (p.parametername == QString::fromUtf8(name)) {
                    const QStringList parts = p.ParameterIndex.mid(1).split(QLatin1Char('_'));
                    const int g = parts.value(0).toInt(), i = parts.value(1).toInt();
                    return drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
                }
        return -1;
    }
    void servoOn(const QString &mode)
    {
        prompts->expect(QStringLiteral("确定运行？"));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(widget<QPushButton>("pushButton_ManualRunServoON")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunServoON")->click();
        QTRY_VERIFY(drive->withModel([](DriveModel &m) { return m.servoOn(); }));
        QTRY_COMPARE(widget<QLabel>("label_ManualRun_Mode")->text(), mode);
        QTRY_COMPARE(widget<QLabel>("label_ManualRun_DriveState")->text(), QStringLiteral("5（运行中）"));
    }

private slots:
    void init()
    {
        openCase();
        QVERIFY(startLinked());
    }

    void cleanup() { closeCase(); }

    // The identified inertia is shown, asked about and written; the rigidity level saved.
    void identificationIsWrittenToTheDrive()
    {
        servoOn(QStringLiteral("位置模式"));
        prompts->expect(QStringLiteral("惯量识别完成"));
        prompts->expect(QStringLiteral("刚性等级测试结果"));
        QTRY_VERIFY(widget<QPushButton>("pushButton_ManualRunInnerID")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunInnerID")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("惯量识别完成")), 15000);
        QVERIFY(prompts->boxes.last().text.contains(QStringLiteral("286")));
        QTRY_COMPARE(paramByName("负载惯量比"), qint64(286));
        QCOMPARE(widget<QTableWidget>("tableWidget_InertiaResult")->item(0, 1)->text(), QStringLiteral("286"));

        QVERIFY(widget<QPushButton>("pushButton_ManualRunNextStep")->isEnabled());
        widget<QPushButton>("pushButton_ManualRunNextStep")->click();
        widget<QPushButton>("pushButton_ManualRunAutoParamTest")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("刚性等级测试结果")), 20000);
        QTRY_COMPARE(paramByName("刚性等级"), qint64(15));
        QVERIFY(widget<QTableWidget>("tableWidget_RigidityResult")->rowCount() >= 5);
    }

    // Outside position mode the identification is refused and the JOG kept.
    void identificationNeedsPositionMode()
    {
        drive->withModel([](DriveModel &m) { m.dynamics().settings().controlMode = 2; });
        prompts->expect(QStringLiteral("无法进行惯量识别"));
        servoOn(QStringLiteral("速度模式"));
        window()->on_pushButton_ManualRunInnerID_clicked();
        QVERIFY(prompts->hasTitle(QStringLiteral("无法进行惯量识别")));
        QCOMPARE(window()->manualRun().state(), int(ManualRunMachine::JogState));
    }
};

QTEST_MAIN(TestRunPage)
#include "tst_runpage.moc"
