// The comparison of two parameter sets, and the comparison window's flow:
// drive against a file, writing the ticked values with read-back, export.

#include "dialogs/paramdiffdialog.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/paramdiff.h"
#include "testsupport.h"

#include <QTableWidget>
#include <QtTest>

using Values = QHash<QString, QString>;
Q_DECLARE_METATYPE(Values)

class TestParamDiff : public QObject, DriveFixture
{
    Q_OBJECT

private slots:
    void compare_data()
    {
        QTest::addColumn<Values>("left");
        QTest::addColumn<Values>("right");
        QTest::addColumn<QStringList>("rows"); // code:left:right, in order
        const Values base{{QStringLiteral("P00_01"), QStringLiteral("1")}, {QStringLiteral("P00_02"), QStringLiteral("-5")}};
        QTest::newRow("same") << base << base << QStringList();
        QTest::newRow("same number, other text")
            << base << Values{{QStringLiteral("P00_01"), QStringLiteral("01")}, {QStringLiteral("P00_02"), QStringLiteral("-5")}}
            << QStringList();
        QTest::newRow("missing on one side")
            << base << Values{{QStringLiteral("P00_02"), QStringLiteral("-5")}} << QStringList{QStringLiteral("P00_01:1:")};
        QTest::newRow("codes the definitions lack come last")
            << Values{{QStringLiteral("P09_01"), QStringLiteral("a,b")}, {QStringLiteral("P00_02"), QStringLiteral("3")}}
            << base << QStringList{QStringLiteral("P00_01::1"), QStringLiteral("P00_02:3:-5"), QStringLiteral("P09_01:a,b:")};
    }
    void compare()
    {
        QFETCH(Values, left);
        QFETCH(Values, right);
        QFETCH(QStringList, rows);
        Definitions defs;
        for (const char *code : {"P00_01", "P00_02"}) {
            ParamRecord p;
            p.ParameterIndex = QLatin1String(code);
            p.ModifyTime = QStringLiteral("只读");
            defs.paramGroups[0].insert(p.ParameterIndex, p);
        }
        QStringList got;
        for (const ParamDiff::Row &r : ParamDiff::compare(defs, left, right)) {
            got.append(QStringList{r.code, r.left, r.right}.join(QLatin1Char(':')));
            QCOMPARE(r.modify, ParamDiff::Modify::ReadOnly);
        }
        QCOMPARE(got, rows);
        // A value with a comma stays one CSV field.
        if (!rows.isEmpty() && rows.last().startsWith(QLatin1String("P09_01")))
            QVERIFY(ParamDiff::csv({}, ParamDiff::compare(defs, left, right)).endsWith("P09_01,,,,\"a,b\",\n"));
    }

    // Drive against a file: three differences, the read-only one not offered;
    // the ticked two are written and read back, then only the read-only one
    // is left; the export names the drive and the file.
    void driveAgainstFile()
    {
        openCase();
        QVERIFY(startLinked());
        dir->write(QStringLiteral("line.conf"),
                   "[Device_Info]\nModel=X\n[Parameter]\nP00_02=1\nP01_02=300\nP00_03=9\n");
        widget<QPushButton>("pushButton_ParamDiff")->click();
        auto *dialog = window()->findChild<ParamDiffDialog *>();
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidget_paramDiff"));
        prompts->fileAnswers << dir->path(QStringLiteral("line.conf"));
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton_diffDrive"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 10000);
        QStringList offered;
        for (int r = 0; r < 3; ++r) {
            if (table->item(r, 0)->flags() & Qt::ItemIsUserCheckable) {
                offered << table->item(r, 0)->text();
                table->item(r, 0)->setCheckState(Qt::Checked);
            }
        }
        QCOMPARE(offered, (QStringList{QStringLiteral("P00_02"), QStringLiteral("P01_02")}));
        prompts->expect(QStringLiteral("参数写入结果"));
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton_diffWrite"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->hasTitle(QStringLiteral("参数写入结果")), 10000);
        QCOMPARE(prompts->boxes.last().icon, Prompt::Icon::Information);
        QVERIFY(prompts->boxes.last().text.contains(QStringLiteral("回读一致：2个，回读不一致：0个")));
        QCOMPARE(drive->withModel([](DriveModel &m) { return m.parameters().value(1, 2); }), 300);
        QTRY_COMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("P00_03"));

        prompts->fileAnswers << dir->path(QStringLiteral("diff.csv"));
        prompts->expect(QStringLiteral("导出成功！"));
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton_diffExport"))->click();
        const QByteArray csv = dir->read(QStringLiteral("diff.csv"));
        QVERIFY2(csv.contains("# serial number,VMRSIM") && csv.contains("# right,line.conf\n")
                     && csv.contains("\nP00_03,"),
                 csv.constData());
        closeCase();
    }
};

QTEST_MAIN(TestParamDiff)
#include "tst_paramdiff.moc"
