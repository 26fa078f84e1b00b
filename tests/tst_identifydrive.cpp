// The whole tool against a simulated drive: connect on the parameter page,
// identification, the load-source dialog, read, export, import, download;
// and the model comparison.

#include "dialogs/paramloadseldialog.h"
#include "mainwindow/paramfile.h"
#include "testsupport.h"

#include <QTreeWidget>
#include <QtTest>

class TestIdentifyDrive : public QObject, private DriveFixture
{
    Q_OBJECT

private:

    ParamLoadSelDialog *loadDialog() const { return window()->paramLoadDialog(); }
    qint64 driveValue(int group, int index)
    {
        return drive->withModel([&](DriveModel &m) { return m.parameters().value(group, index); });
    }

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void connectIdentifyReadExportImportDownload()
    {
        for (const char *box : {"参数读取成功", "导出成功！", "当前文件机型版本信息", "参数导入完成", "参数设置结果"})
            prompts->expect(QString::fromUtf8(box));
        QVERIFY(startLinked());
        // Connected on the parameter page: the dialog comes up with the drive.
        QTRY_VERIFY(loadDialog() && loadDialog()->isVisible());
        QCOMPARE(loadDialog()->deviceInfo(0), QStringLiteral("VMR-A1-0A02"));
        QCOMPARE(loadDialog()->deviceInfo(1), QStringLiteral("1.04"));
        QCOMPARE(loadDialog()->deviceInfo(2), QStringLiteral("VMRSIM202612001"));
        QCOMPARE(window()->deviceModelText(), QStringLiteral("VMR-A1-0A02"));
        QCOMPARE(window()->deviceVersionText(), QStringLiteral("V1.04"));

        // Read everything from the drive.
        drive->withModel([](DriveModel &m) { m.parameters().setValue(1, 0, 777); });
        loadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        QCOMPARE(window()->definitions().findParam(QStringLiteral("P01_00"))->currentValue, QStringLiteral("777"));

        // Export, change a value in the file, import it and download it.
        const QString path = dir->path(QStringLiteral("drive.conf"));
        prompts->fileAnswers.append(path);
        window()->on_pushButton_paramExportFile_clicked();
        QVERIFY(prompts->hasText(QStringLiteral("导出成功！")));
        ParamFile::Contents saved = ParamFile::read(path);
        QCOMPARE(saved.model, QStringLiteral("VMR-A1-0A02"));
        QCOMPARE(saved.values.value(QStringLiteral("P01_00")), QStringLiteral("777"));
        QByteArray text = dir->read(QStringLiteral("drive.conf"));
        text.replace("P01_00=777", "P01_00=612");
        dir->write(QStringLiteral("drive.conf"), text);

        prompts->fileAnswers.append(path);
        window()->on_pushButton_paramImportFile_clicked();
        QVERIFY(prompts->hasText(QStringLiteral("机型名称:VMR-A1-0A02<br/>固件版本:V1.04")));
        QVERIFY(prompts->hasText(QStringLiteral("共有：1个值被修改")));
        QCOMPARE(driveValue(1, 0), 777); // an import never touches the drive

        // Downloads go out for the group on show: all of them.
        auto *tree = widget<QTreeWidget>("treeWidget_ParamGroup");
        window()->paramGrpClickSlot(tree->topLevelItem(0), 0);
        window()->on_pushButton_DownLoadParam_clicked();
        QTRY_COMPARE_WITH_TIMEOUT(driveValue(1, 0), 612, 5000);
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
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("当前参数为：\r\nVMR-A1-0A02_V1.04\r\n差异部分详见参数列表")), 10000);
    }
};

QTEST_MAIN(TestIdentifyDrive)
#include "tst_identifydrive.moc"
