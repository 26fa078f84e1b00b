// The parameter page: tree, table, marks, colours, icons, the header menu
// and value entry through the input dialog.

#include "dialogs/paraminputdialog.h"
#include "mainwindow/mainwindow.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const char kDefinitions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Root Version="1.0">
 <FuncCodeVersion>V1.1</FuncCodeVersion>
 <ParameterGroups>
  <ParameterGrpMember>P00 基本控制</ParameterGrpMember>
  <ParameterGrpMember>P01 增益</ParameterGrpMember>
 </ParameterGroups>
 <Parameter><ParameterIndex>P00_01</ParameterIndex><parametername>控制模式</parametername><DefaultValue>0</DefaultValue>
  <MinValue>0</MinValue><MaxValue>6</MaxValue><ActiveTime>再次通电生效</ActiveTime><ModifyTime>停机设定</ModifyTime>
  <DataWidth>16bit</DataWidth><DataSign>unsigned</DataSign><Uint></Uint><Detial>第一行
第二行</Detial></Parameter>
 <Parameter><ParameterIndex>P00_02</ParameterIndex><parametername>旋转方向</parametername><DefaultValue>0</DefaultValue>
  <MinValue>0</MinValue><MaxValue>1</MaxValue><ModifyTime>停机设定</ModifyTime><DataWidth>16bit</DataWidth>
  <DataSign>unsigned</DataSign><Detial>方向</Detial></Parameter>
 <Parameter><ParameterIndex>P01_00</ParameterIndex><parametername>速度增益</parametername><DefaultValue>400</DefaultValue>
  <MinValue>10</MinValue><MaxValue>500</MaxValue><ModifyTime>运行设定</ModifyTime><DataWidth>16bit</DataWidth>
  <DataSign>unsigned</DataSign><Uint>0.1Hz</Uint><Detial>增益</Detial></Parameter>
 <Parameter><ParameterIndex>P01_01</ParameterIndex><parametername>偏置</parametername><DefaultValue>0</DefaultValue>
  <MinValue>-100</MinValue><MaxValue>100</MaxValue><ModifyTime>运行设定</ModifyTime><DataWidth>16bit</DataWidth>
  <DataSign>signed</DataSign><Detial>偏置</Detial></Parameter>
</Root>
)";

} // namespace

class TestParamPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<MainWindow> window;

    QTableWidget *table() const { return window->findChild<QTableWidget *>(QStringLiteral("tableWidget_Param")); }
    QTreeWidget *tree() const { return window->findChild<QTreeWidget *>(QStringLiteral("treeWidget_ParamGroup")); }
    int rowOf(const QString &code) const
    {
        for (int row = 0; row < table()->rowCount(); ++row)
            if (table()->item(row, 2)->text() == code)
                return row;
        return -1;
    }
    void showGroup(int child) { window->paramGrpClickSlot(tree()->topLevelItem(0)->child(child), 0); }
    void showAll() { window->paramGrpClickSlot(tree()->topLevelItem(0), 0); }
    ParamInputDialog *dialog() const { return window->findChild<ParamInputDialog *>(); }

    void edit(const QString &code, const QString &value)
    {
        window->paramTable_SetValue(table()->model()->index(rowOf(code), 3));
        dialog()->setInput(value);
        dialog()->InputOKCheck();
    }

private slots:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        dir->write(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"), kDefinitions);
        prompts = std::make_unique<PromptRecorder>();
        window = std::make_unique<MainWindow>();
    }

    void cleanup()
    {
        window.reset();
        prompts.reset();
        dir.reset();
    }

    void treeListsTheGroupsAndTheTableTheirParameters()
    {
        QCOMPARE(tree()->topLevelItem(0)->text(0), QStringLiteral("全部参数"));
        QCOMPARE(tree()->topLevelItem(0)->childCount(), 2);
        QCOMPARE(tree()->topLevelItem(0)->child(1)->text(0), QStringLiteral("P01- 增益"));
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(table()->item(0, 1)->text(), QStringLiteral("P00_01"));
        QVERIFY(table()->isColumnHidden(2) && table()->isColumnHidden(6));
        auto *detail = window->findChild<QListWidget *>(QStringLiteral("listWidget_ParamDetail"));
        QCOMPARE(detail->count(), 2);

        showGroup(1);
        QCOMPARE(window->shownGroup(), 1);
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(table()->item(0, 1)->text(), QStringLiteral("P01_00"));
        showAll();
        QCOMPARE(window->shownGroup(), 99);
        QCOMPARE(table()->rowCount(), 4);
        QCOMPARE(table()->item(0, 1)->text(), QStringLiteral("P00_01"));
    }

    void checksSurviveAGroupSwitch()
    {
        table()->item(1, 0)->setCheckState(Qt::Checked);
        window->paramTable_itemChange(1, 0);
        showGroup(1);
        showGroup(0);
        QCOMPARE(table()->item(1, 0)->checkState(), Qt::Checked);
        QCOMPARE(table()->item(0, 0)->checkState(), Qt::Unchecked);
        QVERIFY(window->definitions().findParam(QStringLiteral("P00_02"))->state & ParamState::Checked);
    }

    void editingMarksTheRowAndTheDownloadButton()
    {
        showGroup(1);
        edit(QStringLiteral("P01_01"), QStringLiteral("-50"));
        QVERIFY(prompts->boxes.isEmpty());
        const int row = rowOf(QStringLiteral("P01_01"));
        QCOMPARE(table()->item(row, 7)->text(), QStringLiteral("-50"));
        QCOMPARE(table()->item(row, 9)->text(), QStringLiteral(" → -50"));
        QCOMPARE(table()->item(row, 0)->checkState(), Qt::Checked);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(table()->item(row, c)->background().color(), QColor(252, 222, 156));
        QVERIFY(window->findChild<QPushButton *>(QStringLiteral("pushButton_DownLoadParam"))
                    ->styleSheet()
                    .contains(QStringLiteral("#FF7F27")));
        // A group without changes shows the button as it was.
        showGroup(0);
        QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("pushButton_DownLoadParam"))
                     ->styleSheet()
                     .contains(QStringLiteral("#FF7F27")));
    }

    void valueGoesToTheParameterTheDialogWasOpenedFor()
    {
        showGroup(1);
        window->paramTable_SetValue(table()->model()->index(rowOf(QStringLiteral("P01_00")), 3));
        // The user clicks another row while the dialog is open.
        table()->setCurrentCell(rowOf(QStringLiteral("P01_01")), 3);
        QCOMPARE(dialog()->findChild<QLabel *>(QStringLiteral("label_Name"))->textFormat(), Qt::PlainText);
        dialog()->setInput(QStringLiteral("321"));
        dialog()->InputOKCheck();
        QCOMPARE(window->definitions().findParam(QStringLiteral("P01_00"))->currentValue, QStringLiteral("321"));
        QVERIFY(window->definitions().findParam(QStringLiteral("P01_01"))->currentValue.isEmpty());
    }

    void dialogRefusesWhatTheRangeForbids()
    {
        showGroup(1);
        edit(QStringLiteral("P01_00"), QStringLiteral("5"));
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->boxes.last().title, QStringLiteral("设置异常"));
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("低于下限值!"));
        QVERIFY(dialog()->isVisible());
        dialog()->setInput(QStringLiteral("600"));
        dialog()->InputOKCheck();
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("高于上限值!"));
        dialog()->setInput(QString());
        dialog()->InputOKCheck();
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("数值为空!"));
        QVERIFY(window->definitions().findParam(QStringLiteral("P01_00"))->currentValue.isEmpty());

        QCOMPARE(ParamInputDialog::refusal(QStringLiteral("7"), QStringLiteral("7"), 0, 10), QStringLiteral("数值未变化!"));
        QCOMPARE(ParamInputDialog::refusal(QStringLiteral("1e3"), QString(), 0, 10000), QStringLiteral("数值格式有误!"));
    }

    void dialogFilterWhileTyping()
    {
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("5"), 10, 500), QStringLiteral("5"));
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("-"), 0, 100), QString());
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("0123"), 0, 1000), QStringLiteral("123"));
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("1000"), -100, 100), QStringLiteral("100"));
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("-1000"), -100, 100), QStringLiteral("-100"));
        QCOMPARE(ParamInputDialog::filterInput(QStringLiteral("0"), 10, 500), QString());
    }

    void iconsFollowTheWriteResultsAndClearMarksRemovesThem()
    {
        Definitions &defs = window->definitions();
        defs.findParam(QStringLiteral("P00_01"))->state |= ParamState::WriteOk | ParamState::Checked;
        defs.findParam(QStringLiteral("P00_02"))->state |= ParamState::WriteFailed;
        window->refreshParamTable(0);
        QVERIFY(!table()->item(0, 0)->icon().isNull());
        QVERIFY(!table()->item(1, 0)->icon().isNull());
        window->paramTable_Clear1stColumnFlag();
        QVERIFY(table()->item(0, 0)->icon().isNull());
        QVERIFY(table()->item(1, 0)->icon().isNull());
        QCOMPARE(table()->item(0, 0)->checkState(), Qt::Checked);
    }

    void headerMenuOnlyOverTheCheckColumn()
    {
        QHeaderView *header = table()->horizontalHeader();
        const auto menuShownFor = [&](QPoint at) {
            bool shown = false;
            QTimer::singleShot(100, [&] {
                if (QWidget *popup = QApplication::activePopupWidget()) {
                    shown = true;
                    popup->close();
                }
            });
            window->paramTableMenuAck(at);
            QTest::qWait(150);
            return shown;
        };
        QVERIFY(menuShownFor(QPoint(10, header->height() / 2)));
        QVERIFY(!menuShownFor(QPoint(header->sectionPosition(3) + 5, header->height() / 2)));

        window->paramTable_Select1stColumn();
        QCOMPARE(table()->item(1, 0)->checkState(), Qt::Checked);
        QVERIFY(window->definitions().findParam(QStringLiteral("P00_02"))->state & ParamState::Checked);
        window->paramTable_DisSelect1stColumn();
        QVERIFY(!(window->definitions().findParam(QStringLiteral("P00_02"))->state & ParamState::Checked));
    }

    void transfersWithoutALinkAreRefused()
    {
        for (const char *name : {"pushButton_ReadAllParam", "pushButton_ReadSelectParam", "pushButton_DownLoadParam"})
            window->findChild<QPushButton *>(QString::fromLatin1(name))->click();
        QCOMPARE(prompts->boxes.size(), 3);
        for (const Prompt::Box &box : prompts->boxes)
            QCOMPARE(box.text, QStringLiteral("通信未建立，请先连接设备！"));
        QVERIFY(!window->isParamTransferBusy());
    }
};

QTEST_MAIN(TestParamPage)
#include "tst_parampage.moc"
