// The whole tool against a simulated drive: connect on the parameter page,
// identification (switching to the model's definitions), the load-source
// dialog, read, export, import and download, in both transfer protocols; and
// the model comparison.

#include "definitions/codes.h"
#include "dialogs/paramloadseldialog.h"
#include "mainwindow/paramfile.h"
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
        DriveIdentity b2;
        b2.productSerial = 0x0002;
        b2.model1 = 0x0B02;
        b2.model2 = 0x0001;
        b2.firmware = 100;
        QTest::newRow("16-bit protocol") << QStringLiteral("Parameter_B2.xml") << b2 << QStringLiteral("VMR-B2-0B02")
                                         << QStringLiteral("1.00");
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
        QCOMPARE(loadDialog()->deviceInfo(1), version);
        QCOMPARE(loadDialog()->deviceInfo(2), QStringLiteral("VMRSIM202612001"));
        QCOMPARE(window()->definitionFileName(), file);

        // Read everything from the drive: every value equals the drive's.
        loadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("参数读取成功")), 10000);
        Definitions &defs = window()->definitions();
        QVERIFY(defs.parameterCount() > 50);
        for (const ParamGroup &group : defs.paramGroups)
            for (const ParamRecord &p : group)
                QCOMPARE(p.currentValue, QString::number(driveValue(p.ParameterIndex)));

        // Export, change a value in the file, import it and download it.
        const QString path = dir->path(QStringLiteral("drive.conf"));
        prompts->fileAnswers.append(path);
        window()->on_pushButton_paramExportFile_clicked();
        ParamFile::Contents saved = ParamFile::read(path);
        QCOMPARE(saved.model, model);
        QCOMPARE(saved.values.value(QStringLiteral("P01_00")), QStringLiteral("777"));
        QByteArray text = dir->read(QStringLiteral("drive.conf"));
        text.replace("P01_00=777", "P01_00=612");
        dir->write(QStringLiteral("drive.conf"), text);

        prompts->fileAnswers.append(path);
        window()->on_pushButton_paramImportFile_clicked();
        QVERIFY(prompts->hasText(QStringLiteral("机型名称:%1<br/>固件版本:V%2").arg(model, version)));
        QVERIFY(prompts->hasText(QStringLiteral("共有：1个值被修改")));
        QCOMPARE(driveValue(QStringLiteral("P01_00")), 777); // an import never touches the drive

        // Downloads go out for the group on show: all of them.
        auto *tree = widget<QTreeWidget>("treeWidget_ParamGroup");
        window()->paramGrpClickSlot(tree->topLevelItem(0), 0);
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
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("当前参数为：\r\nVMR-A1-0A02_V1.04\r\n差异部分详见参数列表")), 10000);
    }
};

QTEST_MAIN(TestIdentifyDrive)
#include "tst_identifydrive.moc"
