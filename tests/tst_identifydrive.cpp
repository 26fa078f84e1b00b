// Against the simulated drive: connect, identify, read, export, import and download in both protocols;
// comparison; transfers cut short by the link leave nothing behind.

#include "definitions/codes.h"
#include "dialogs/paramloadseldialog.h"
#include "testsupport.h"

#include <QTreeWidget>
#include <QtTest>

Q_DECLARE_METATYPE(DriveIdentity)

class TestIdentifyDrive : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    ParamLoadSelDialog *loadDialog() const { return window()->paramLoadDialog(); }
    qint64 driveValue(const QString &code)
    {
        int g, i;
        Codes::splitNumbers(code, &g, &i);
        return drive->withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
    }
    // The drive answers nothing from the next request on; the tool gives the link up after its retries.
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

    void connectIdentifyReadExportImportDownload_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<DriveIdentity>("identity");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::newRow("32-bit protocol") << QStringLiteral("Parameter.xml") << DriveIdentity()
                                         << QStringLiteral("VMR-A1-0A02") << QStringLiteral("1.04");
        QTest::newRow("16-bit protocol") << QStringLiteral("Parameter_B2.xml") << DriveIdentity{0x0002, 0x0B02, 0x0001, 100}
                                         << QStringLiteral("VMR-B2-0B02") << QStringLiteral("1.00");
    }

    void connectIdentifyReadExportImportDownload()
    {
        QFETCH(QString, file);
        QFETCH(DriveIdentity, identity);
        QFETCH(QString, model);
        QFETCH(QString, version);
        for (const char *box : {"参数读取成功", "导出成功！", "当前文件机型版本信息", "参数导入完成", "参数设置结果"})
            prompts->expect(QString::fromUtf8(box));
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_") + file)));
        drive->withModel([&](DriveModel &m) {
            m.setIdentity(identity);
            m.parameters().setValue(1, 0, 777);
        });
        Platform::setSystemPortLister([] { return QStringList(); });
        startApp();
        QVERIFY(connectToDrive());
        // Connected on the parameter page: the dialog comes up with the drive.
        QTRY_VERIFY(loadDialog() && loadDialog()->isVisible());
        QCOMPARE(loadDialog()->deviceInfo(0), model);
        QCOMPARE(window()->definitionFileName(), file);

        loadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        Definitions &defs = window()->definitions();
        QVERIFY(defs.parameterCount() > 50);
        for (const ParamGroup &group : defs.paramGroups)
            for (const ParamRecord &p : group)
                QCOMPARE(p.currentValue, QString::number(driveValue(p.ParameterIndex)));

        prompts->fileAnswers << dir->path(QStringLiteral("drive.conf")) << dir->path(QStringLiteral("drive.conf"));
        window()->on_pushButton_paramExportFile_clicked();
        dir->write(QStringLiteral("drive.conf"), dir->read(QStringLiteral("drive.conf")).replace("P01_00=777", "P01_00=612"));
        window()->on_pushButton_paramImportFile_clicked();
        QVERIFY(prompts->hasText(QStringLiteral("机型名称:%1<br/>固件版本:V%2").arg(model, version)));
        QVERIFY(prompts->hasText(QStringLiteral("共有：1个值被修改")));
        QCOMPARE(driveValue(QStringLiteral("P01_00")), 777); // an import never touches the drive

        // Downloads go out for the group on show: all of them.
        window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
        window()->on_pushButton_DownLoadParam_clicked();
        QTRY_COMPARE_WITH_TIMEOUT(driveValue(QStringLiteral("P01_00")), 612, 5000);
        QTRY_VERIFY(!window()->isParamTransferBusy());
    }

    void comparisonFindsTheShippedFactorySet()
    {
        prompts->expect(QStringLiteral("参数比较完成"));
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        const int taken = drive->withModel(
            [&](DriveModel &m) { return m.loadValues(dir->path(QStringLiteral("ParameterCompare/VMR-A1-0A02_V1.04.conf"))); });
        QVERIFY(taken > 300);
        startApp();
        QVERIFY(connectToDrive());
        QTRY_VERIFY(window()->deviceModelText() == QStringLiteral("VMR-A1-0A02"));
        QTRY_VERIFY(!window()->isParamTransferBusy());
        window()->on_pushButton_ParamCompare_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("参数比较完成")), 10000);
        QVERIFY(prompts->boxes.last().text.startsWith(QStringLiteral("驱动器：VMR-A1-0A02 V1.04\n参考：VMR-A1-0A02_V1.04（ParameterCompare文件夹中该机型和版本的参数文件）\n结果：驱动器参数与参考相同。\n")));
    }

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
        for (ParamGroup &group : defs.paramGroups)
            for (ParamRecord &p : group)
                if (ticked.size() < 8 && p.ModifyTime == QStringLiteral("运行设定") && p.MaxValue.toLongLong() > 0) {
                    ticked << p.ParameterIndex;
                    p.currentValue = p.MaxValue;
                    p.state |= ParamState::Checked | ParamState::Changed;
                }
        window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
        QTRY_VERIFY(drive->stats().replies >= 3); // two identifications and the version check

        // The link ends during the download: the first batch may be in the drive and is read back on reconnect.
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

        // A comparison cut short leaves none behind: after a reconnect the first click reads, and says so.
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

QTEST_MAIN(TestIdentifyDrive)
#include "tst_identifydrive.moc"
