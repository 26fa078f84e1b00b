// The parameter page: tree, table, marks, colours, icons, header menu and value entry.

#include "dialogs/paraminputdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Two groups of two parameters; a range either side of zero, a detail of two lines.
QByteArray definitions()
{
    QByteArray xml = "<Root><ParameterGroups><ParameterGrpMember>P00 基本控制</ParameterGrpMember>"
                     "<ParameterGrpMember>P01 增益</ParameterGrpMember></ParameterGroups>";
    for (const char *p : {"P00_01|控制模式|0|6|第一行\n0：位置；2：转矩", "P00_02|旋转方向|0|1|方向：\n0：正转；1：反转", "P01_00|速度增益|10|500|增益",
                          "P01_01|偏置|-100|100|偏置"}) {
        const QList<QByteArray> f = QByteArray(p).split('|');
        xml += "<Parameter><ParameterIndex>" + f[0] + "</ParameterIndex><parametername>" + f[1] + "</parametername><MinValue>"
            + f[2] + "</MinValue><MaxValue>" + f[3] + "</MaxValue><DefaultValue>" + f[2] + "</DefaultValue><ModifyTime>"
            + "运行设定</ModifyTime><DataWidth>16bit</DataWidth><DataSign>" + (f[2].startsWith('-') ? "signed" : "unsigned")
            + "</DataSign><Detial>" + f[4] + "</Detial></Parameter>";
    }
    return xml + "</Root>";
}

} // namespace

class TestParamPage : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    MainWindow *w = nullptr;

    QTableWidget *table() const { return widget<QTableWidget>("tableWidget_Param"); }
    QTreeWidgetItem *allGroups() const { return widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0); }
    void showGroup(int child) { w->paramGrpClickSlot(allGroups()->child(child), 0); }
    ParamInputDialog *dialog() const { return w->findChild<ParamInputDialog *>(); }
    ParamRecord *param(const char *code) const { return w->definitions().findParam(QString::fromLatin1(code)); }
    bool downloadFlagged() const { return widget<QPushButton>("pushButton_DownLoadParam")->styleSheet().contains("#FF7F27"); }

private slots:
    void init()
    {
        openCase();
        dir->write(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"), definitions());
        w = startWindow();
    }
    void cleanup() { closeCase(); }

    void treeSwitchesTheGroupOnShow()
    {
        QCOMPARE(allGroups()->childCount(), 2);
        QCOMPARE(allGroups()->child(1)->text(0), QStringLiteral("P01- 增益"));
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(widget<QListWidget>("listWidget_ParamDetail")->count(), 2); // a detail of two lines
        w->paramGrpClickSlot(allGroups(), 0);
        QCOMPARE(w->shownGroup(), 99);
        QCOMPARE(table()->rowCount(), 4);
    }

    // A refused value keeps the dialog open; the value goes to the row the dialog was opened for, which is marked.
    void editingMarksTheRowAndTheDownloadButton()
    {
        prompts->expect(QStringLiteral("设置异常"));
        showGroup(1);
        w->paramTable_SetValue(table()->model()->index(1, 3)); // P01_01
        table()->setCurrentCell(0, 3);
        QCOMPARE(dialog()->findChild<QLabel *>(QStringLiteral("label_Name"))->textFormat(), Qt::PlainText);
        dialog()->setInput(QStringLiteral("-500"));
        dialog()->InputOKCheck();
        QCOMPARE(prompts->boxes.size(), 1);
        QVERIFY(dialog()->isVisible() && param("P01_01")->currentValue.isEmpty());
        dialog()->setInput(QStringLiteral("-50"));
        dialog()->InputOKCheck();
        QCOMPARE(param("P01_01")->currentValue, QStringLiteral("-50"));
        const int row = 1; // P01_01, current again and with the keyboard
        QVERIFY(table()->currentRow() == row && w->focusWidget() == table());
        QCOMPARE(table()->item(row, 9)->text(), QStringLiteral(" → -50"));
        QCOMPARE(table()->item(row, 0)->checkState(), Qt::Checked);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(table()->item(row, c)->background().color(), QColor(252, 222, 156));
        QVERIFY(downloadFlagged());
        showGroup(0);
        QVERIFY(!downloadFlagged());
        w->paramTable_SetValue(table()->model()->index(0, 3)); // Cancel leaves the value
        dialog()->setInput(QStringLiteral("5"));
        dialog()->findChild<QPushButton *>(QStringLiteral("pushButton_Cancel"))->click();
        QVERIFY(!dialog()->isVisible() && param("P00_01")->currentValue.isEmpty());
    }

    // A description naming every value of the range offers a list of the names; one with a gap keeps the entry.
    void namedValuesAreChosenFromAList()
    {
        auto *choice = dialog()->findChild<QComboBox *>(QStringLiteral("comboBox_Input"));
        w->paramTable_SetValue(table()->model()->index(0, 3)); // P00_01: 0 and 2 of 0..6 named
        QVERIFY(!choice->isVisibleTo(dialog()));
        w->paramTable_SetValue(table()->model()->index(1, 3)); // P00_02
        QCOMPARE(choice->itemText(1), QStringLiteral("1（反转）"));
        choice->setCurrentIndex(1);
        dialog()->InputOKCheck();
        QCOMPARE(table()->item(1, 7)->text(), QStringLiteral("1（反转）"));
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("said");
        QTest::newRow("below") << QStringLiteral("5") << QString() << QStringLiteral("低于下限值!");
        QTest::newRow("above") << QStringLiteral("600") << QString() << QStringLiteral("高于上限值!");
        QTest::newRow("empty") << QString() << QString() << QStringLiteral("数值为空!");
        QTest::newRow("unchanged") << QStringLiteral("70") << QStringLiteral("70") << QStringLiteral("数值未变化!");
        QTest::newRow("not a number") << QStringLiteral("1e3") << QString() << QStringLiteral("数值格式有误!");
        QTest::newRow("in range") << QStringLiteral("10") << QString() << QString();
    }

    void refusal()
    {
        QFETCH(QString, input);
        QFETCH(QString, current);
        QTEST(ParamInputDialog::refusal(input, current, 10, 500), "said");
    }

    void filterWhileTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("min");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<QString>("kept");
        QTest::newRow("below a positive minimum, may grow") << QStringLiteral("5") << qint64(10) << qint64(500) << QStringLiteral("5");
        QTest::newRow("minus without negatives") << QStringLiteral("-") << qint64(0) << qint64(100) << QString();
        QTest::newRow("leading zeros") << QStringLiteral("0123") << qint64(0) << qint64(1000) << QStringLiteral("123");
        QTest::newRow("above the maximum") << QStringLiteral("1000") << qint64(-100) << qint64(100) << QStringLiteral("100");
        QTest::newRow("below the minimum") << QStringLiteral("-1000") << qint64(-100) << qint64(100) << QStringLiteral("-100");
        QTest::newRow("zero outside the range") << QStringLiteral("0") << qint64(10) << qint64(500) << QString();
    }

    void filterWhileTyping()
    {
        QFETCH(QString, typed);
        QFETCH(qint64, min);
        QFETCH(qint64, max);
        QTEST(ParamInputDialog::filterInput(typed, min, max), "kept");
    }

    // Ticks survive a group switch; the header's menu, over the tick column only, ticks and unticks them all.
    void tickAndIconColumn()
    {
        table()->item(1, 0)->setCheckState(Qt::Checked);
        w->paramTable_itemChange(1, 0);
        showGroup(1);
        showGroup(0);
        QCOMPARE(table()->item(1, 0)->checkState(), Qt::Checked);
        QCOMPARE(table()->item(0, 0)->checkState(), Qt::Unchecked);

        QHeaderView *header = table()->horizontalHeader();
        const auto menuShownFor = [&](QPoint at) {
            bool shown = false;
            // Fires inside the menu's own loop when it opens, else just after.
            QTimer look;
            look.setSingleShot(true);
            QObject::connect(&look, &QTimer::timeout, [&] {
                if (QWidget *popup = QApplication::activePopupWidget()) {
                    shown = true;
                    popup->close();
                }
            });
            look.start(0);
            w->paramTableMenuAck(at);
            QCoreApplication::processEvents();
            return shown;
        };
        QVERIFY(menuShownFor(QPoint(10, header->height() / 2)));
        QVERIFY(!menuShownFor(QPoint(header->sectionPosition(3) + 5, header->height() / 2)));

        w->paramTable_Select1stColumn();
        QCOMPARE(table()->item(0, 0)->checkState(), Qt::Checked);
        QVERIFY(param("P00_01")->state & ParamState::Checked);
        w->paramTable_DisSelect1stColumn();
        QVERIFY(!(param("P00_02")->state & ParamState::Checked));

        // Icons follow the write results; clearing the marks removes them, not the ticks.
        param("P00_01")->state |= ParamState::WriteOk | ParamState::Checked;
        param("P00_02")->state |= ParamState::WriteFailed;
        w->refreshParamTable(0);
        QVERIFY(!table()->item(0, 0)->icon().isNull() && !table()->item(1, 0)->icon().isNull());
        w->paramTable_Clear1stColumnFlag();
        QVERIFY(table()->item(0, 0)->icon().isNull() && table()->item(1, 0)->icon().isNull());
        QCOMPARE(table()->item(0, 0)->checkState(), Qt::Checked);
    }

    void transfersWithoutALinkAreRefused()
    {
        prompts->expect(QStringLiteral("通信未建立，请先连接设备！"));
        for (const char *name : {"pushButton_ReadAllParam", "pushButton_ReadSelectParam", "pushButton_DownLoadParam"})
            widget<QPushButton>(name)->click();
        QCOMPARE(prompts->boxes.size(), 3);
        QVERIFY(!w->isParamTransferBusy());
    }
};

QTEST_MAIN(TestParamPage)
#include "tst_parampage.moc"
