// End to end against the simulated drive: transfers cut short by the link
// leave nothing behind.

#include "definitions/codes.h"
#include "testsupport.h"

#include <QTreeWidget>
#include <QtTest>

class TestParamRoundTrip : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    qint64 driveValue(const QString &code)
    {
        int g, i;
        Codes::splitNumbers(code, &g, &i);
        return drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
    }
    // The drive answers nothing from the next request on; the tool gives the
    // link up after its retries.
    void silenceTheDrive()
    {
        QString error;
        QVERIFY(drive->applyFault(QStringLiteral("stop-after"), QString::number(drive->stats().replies), &error));
    }
    bool reconnect()
    {
        QString error;
        if (!QTest::qWaitFor([&] { return window()->linkState() == 0; }, 5000)
            || !drive->applyFault(QStringLiteral("stop-after"), QStringLiteral("-1"), &error))
            return false;
        return connectToDrive();
    }

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void transfersCutShortByTheLinkLeaveNothingBehind()
    {
        // The link gone (each time), and what the cut download may have left.
        for (const char *box : {"参数读取成功", "参数设置结果", "下载中断", "通信断开"})
            prompts->expect(QString::fromUtf8(box));
        QVERIFY(startLinked());
        Definitions &defs = window()->definitions();
        QTRY_VERIFY(window()->paramLoadDialog());
        // Eight writable values changed and ticked: two download batches.
        QStringList ticked;
        for (const ParamGroup &group : defs.paramGroups) {
            for (const ParamRecord &p : group) {
                if (ticked.size() < 8 && p.ModifyTime == QStringLiteral("运行设定") && p.MaxValue.toLongLong() > 0) {
                    ticked << p.ParameterIndex;
                    defs.findParam(p.ParameterIndex)->currentValue = p.MaxValue;
                    defs.findParam(p.ParameterIndex)->state |= ParamState::Checked | ParamState::Changed;
                }
            }
        }
        window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
        QTRY_VERIFY(drive->stats().replies >= 3); // two identifications and the version check

        // The link ends during the download: the first batch may be in the
        // drive, and the tool offers to read it back once connected again.
        silenceTheDrive();
        prompts->boxes.clear();
        widget<QPushButton>("pushButton_DownLoadParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("下载中断")), 5000);
        QVERIFY(!window()->isParamTransferBusy());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(prompts->boxes.first().text.contains(ticked.at(i)), i < 6);
        QVERIFY(reconnect());
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(defs.findParam(ticked.at(i))->currentValue, QString::number(driveValue(ticked.at(i))));

        // A comparison cut short leaves no comparison behind: after a
        // reconnect the first click reads, and says so.
        silenceTheDrive();
        window()->on_pushButton_ParamCompare_clicked();
        QVERIFY(reconnect());
        QVERIFY(!window()->isParamTransferBusy());
        prompts->boxes.clear();
        widget<QPushButton>("pushButton_ReadAllParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        QVERIFY(!prompts->hasTitle(QStringLiteral("参数比较完成")) && !prompts->hasTitle(QStringLiteral("参数比较失败")));

        // A download sends only what is ticked now.
        window()->paramTable_DisSelect1stColumn();
        ParamRecord *last = defs.findParam(ticked.last());
        last->currentValue = QString::number(last->MaxValue.toLongLong() - 1);
        last->state |= ParamState::Checked;
        widget<QPushButton>("pushButton_DownLoadParam")->click();
        QTRY_VERIFY(prompts->hasTitle(QStringLiteral("参数设置结果")));
        QVERIFY2(prompts->boxes.last().text.contains(QStringLiteral("</font>1个")), qPrintable(prompts->boxes.last().text));
        QCOMPARE(QString::number(driveValue(ticked.last())), last->currentValue);
    }
};

QTEST_MAIN(TestParamRoundTrip)
#include "tst_paramroundtrip.moc"
