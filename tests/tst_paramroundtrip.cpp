// End to end against the simulated drive: read every parameter of a shipped
// model in both transfer protocols, edit three values (one negative),
// download them and read them back; and transfers cut short by the link,
// which leave nothing behind.

#include "definitions/codes.h"
#include "dialogs/paraminputdialog.h"
#include "testsupport.h"

#include <QTableWidget>
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
    void showAllGroups()
    {
        window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
    }
    void editViaDialog(const QString &code, const QString &value)
    {
        QTableWidget *table = widget<QTableWidget>("tableWidget_Param");
        int row = -1;
        for (int r = 0; r < table->rowCount() && row < 0; ++r)
            if (table->item(r, 2)->text() == code)
                row = r;
        QVERIFY2(row >= 0, qPrintable(code));
        window()->paramTable_SetValue(table->model()->index(row, 3));
        auto *dialog = window()->findChild<ParamInputDialog *>();
        dialog->setInput(value);
        dialog->InputOKCheck();
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
    void init()
    {
        openCase();
        for (const char *box : {"参数读取成功", "参数设置结果"})
            prompts->expect(QString::fromUtf8(box));
    }
    void cleanup() { closeCase(); }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("32-bit protocol") << QStringLiteral("zh_CN_Parameter.xml");
        QTest::newRow("16-bit protocol") << QStringLiteral("zh_CN_Parameter_B2.xml");
    }

    void roundTrip()
    {
        QFETCH(QString, file);
        // The model under test is the one the window loads at start-up.
        QFile::remove(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml")));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/") + file,
                            dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        QVERIFY(startLinked());
        Definitions &defs = window()->definitions();
        QVERIFY(defs.parameterCount() > 50);

        // Read all: every value equals the drive's.
        widget<QPushButton>("pushButton_ReadAllParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        for (const ParamGroup &group : defs.paramGroups)
            for (const ParamRecord &p : group)
                QCOMPARE(p.currentValue, QString::number(driveValue(p.ParameterIndex)));

        // Edit three writable values, one of them negative.
        QStringList edited, values;
        auto pick = [&](auto fits, auto value) {
            for (const ParamGroup &group : defs.paramGroups)
                for (const ParamRecord &p : group)
                    if (p.ModifyTime == QStringLiteral("运行设定") && !edited.contains(p.ParameterIndex) && fits(p)) {
                        edited << p.ParameterIndex;
                        values << QString::number(value(p.MinValue.toLongLong(), p.MaxValue.toLongLong(),
                                                        p.currentValue.toLongLong()));
                        return;
                    }
        };
        pick([](const ParamRecord &p) { return p.MinValue.toLongLong() < 0; },
             [](qint64 min, qint64, qint64 now) { return now == min + 1 ? min + 2 : min + 1; });
        for (int i = 0; i < 2; ++i)
            pick([](const ParamRecord &p) { return p.MaxValue.toLongLong() - p.MinValue.toLongLong() >= 10 && p.MaxValue.toLongLong() > 0; },
                 [](qint64, qint64 max, qint64 now) { return now == max ? max - 1 : max; });
        QCOMPARE(edited.size(), 3);
        showAllGroups();
        for (int i = 0; i < 3; ++i)
            editViaDialog(edited.at(i), values.at(i));

        prompts->boxes.clear();
        widget<QPushButton>("pushButton_DownLoadParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("参数设置结果")), 10000);
        QCOMPARE(prompts->boxes.last().icon, Prompt::Icon::Information);
        QVERIFY2(prompts->boxes.last().text.contains(QStringLiteral("</font>3个")), qPrintable(prompts->boxes.last().text));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QString::number(driveValue(edited.at(i))), values.at(i));

        // Read all again: the values come back from the drive.
        for (const QString &code : edited)
            defs.findParam(code)->currentValue.clear();
        prompts->boxes.clear();
        widget<QPushButton>("pushButton_ReadAllParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(defs.findParam(edited.at(i))->currentValue, values.at(i));
        QVERIFY(!window()->isParamTransferBusy());
    }

    void transfersCutShortByTheLinkLeaveNothingBehind()
    {
        prompts->expect(QStringLiteral("下载中断"));
        prompts->expect(QStringLiteral("通信断开")); // the link gone, each time
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
        showAllGroups();
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
