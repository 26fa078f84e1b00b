// End to end, for both transfer protocols: read every parameter of a shipped
// model from the simulated drive through the real worker and window, edit
// three values (one negative), download them and read them back.

#include "app/mainclass.h"
#include "definitions/codes.h"
#include "dialogs/paraminputdialog.h"
#include "link/platform.h"
#include "mainwindow/mainwindow.h"
#include "sim/ptydriveserver.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

class TestParamRoundTrip : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;

    template <typename T>
    T *widget(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }


    void editViaDialog(const QString &code, const QString &value)
    {
        QTableWidget *table = widget<QTableWidget>("tableWidget_Param");
        int row = -1;
        for (int r = 0; r < table->rowCount() && row < 0; ++r)
            if (table->item(r, 2)->text() == code)
                row = r;
        QVERIFY2(row >= 0, qPrintable(code));
        window->paramTable_SetValue(table->model()->index(row, 3));
        auto *dialog = window->findChild<ParamInputDialog *>();
        dialog->setInput(value);
        dialog->InputOKCheck();
    }

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("32-bit protocol") << QStringLiteral("zh_CN_Parameter.xml");
        QTest::newRow("16-bit protocol") << QStringLiteral("zh_CN_Parameter_B2.xml");
    }

    void roundTrip()
    {
        QFETCH(QString, file);
        WorkDir dir;
        PromptRecorder prompts;
        // The model under test is the one the window loads at start-up.
        QFile::remove(dir.path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml")));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/") + file,
                            dir.path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));

        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) { return m.loadParameters(dir.path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))); }));
        PtyDriveServer server(drive);
        QVERIFY(server.start());
        qputenv("SERVO_EXTRA_PORTS", server.slavePath().toLocal8Bit());
        Platform::setSystemPortLister([] { return QStringList(); });

        MainClass app;
        window = app.mainWindow;
        Definitions &defs = window->definitions();
        QVERIFY(defs.parameterCount() > 50);
        auto *ports = widget<QComboBox>("portSel");
        QTRY_VERIFY(ports->findText(server.slavePath()) >= 0);
        ports->setCurrentIndex(ports->findText(server.slavePath()));
        widget<QPushButton>("pushButton")->click();
        QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信正常"));

        // Read all: every value equals the drive's.
        widget<QPushButton>("pushButton_ReadAllParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts.hasTitle(QStringLiteral("结果")), 10000);
        const auto driveValue = [&](const QString &code) {
            int g, i;
            Codes::splitNumbers(code, &g, &i);
            return drive.withModel([&](DriveModel &m) { return m.parameters().value(g, i); });
        };
        int compared = 0;
        for (const ParamGroup &group : defs.paramGroups) {
            for (const ParamRecord &p : group) {
                QCOMPARE(p.currentValue, QString::number(driveValue(p.ParameterIndex)));
                ++compared;
            }
        }
        QCOMPARE(compared, defs.parameterCount());

        // Edit three writable values, one of them negative.
        QStringList edited;
        QStringList values;
        QString negative;
        for (const ParamGroup &group : defs.paramGroups) {
            for (const ParamRecord &p : group) {
                if (p.ModifyTime != QStringLiteral("运行设定"))
                    continue;
                const qint64 min = p.MinValue.toLongLong(), max = p.MaxValue.toLongLong();
                const qint64 now = p.currentValue.toLongLong();
                if (negative.isEmpty() && min < 0 && now != min + 1) {
                    negative = p.ParameterIndex;
                    edited << p.ParameterIndex;
                    values << QString::number(min + 1);
                } else if (edited.size() < 3 && max - min >= 10 && (edited.size() < 2 || !negative.isEmpty())) {
                    const qint64 v = now == max ? max - 1 : max;
                    if (v >= 0) {
                        edited << p.ParameterIndex;
                        values << QString::number(v);
                    }
                }
            }
        }
        QVERIFY(!negative.isEmpty());
        edited = edited.mid(0, 3);
        values = values.mid(0, 3);
        QCOMPARE(edited.size(), 3);
        window->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);
        for (int i = 0; i < 3; ++i)
            editViaDialog(edited.at(i), values.at(i));

        prompts.boxes.clear();
        widget<QPushButton>("pushButton_DownLoadParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts.hasTitle(QStringLiteral("参数设置结果")), 10000);
        QCOMPARE(prompts.boxes.last().icon, Prompt::Icon::Information);
        QVERIFY2(prompts.boxes.last().text.contains(QStringLiteral("</font>3个")), qPrintable(prompts.boxes.last().text));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QString::number(driveValue(edited.at(i))), values.at(i));

        // Read all again: the values come back from the drive.
        for (const QString &code : edited)
            defs.findParam(code)->currentValue.clear();
        prompts.boxes.clear();
        widget<QPushButton>("pushButton_ReadAllParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts.hasTitle(QStringLiteral("结果")), 10000);
        for (int i = 0; i < 3; ++i) {
            const ParamRecord *p = defs.findParam(edited.at(i));
            QCOMPARE(p->currentValue, values.at(i));
            QVERIFY(!(p->state & ParamState::Changed));
        }
        QVERIFY(!window->isParamTransferBusy());
        Platform::setSystemPortLister({});
        qunsetenv("SERVO_EXTRA_PORTS");
    }

    void writesTheDriveRefusesAreReported()
    {
        WorkDir dir;
        PromptRecorder prompts;
        DriveEndpoint drive;
        QVERIFY(drive.withModel([&](DriveModel &m) {
            return m.loadParameters(dir.path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml")));
        }));
        PtyDriveServer server(drive);
        QVERIFY(server.start());
        qputenv("SERVO_EXTRA_PORTS", server.slavePath().toLocal8Bit());
        Platform::setSystemPortLister([] { return QStringList(); });
        MainClass app;
        window = app.mainWindow;
        Definitions &defs = window->definitions();

        // One stop-only parameter while the servo is on, one read-only, one
        // the drive lacks.
        QString stopOnly, readOnly, missing;
        for (const ParamGroup &group : defs.paramGroups) {
            for (const ParamRecord &p : group) {
                if (stopOnly.isEmpty() && p.ModifyTime == QStringLiteral("停机设定"))
                    stopOnly = p.ParameterIndex;
                else if (readOnly.isEmpty() && p.ModifyTime == QStringLiteral("只读"))
                    readOnly = p.ParameterIndex;
                else if (missing.isEmpty() && p.ModifyTime == QStringLiteral("运行设定"))
                    missing = p.ParameterIndex;
            }
        }
        int g, i;
        Codes::splitNumbers(missing, &g, &i);
        drive.withModel([&](DriveModel &m) {
            m.setServoOn(true);
            m.parameters().remove(g, i);
        });
        for (const QString &code : {stopOnly, readOnly, missing}) {
            ParamRecord *p = defs.findParam(code);
            p->currentValue = p->DefaultValue;
            p->state |= ParamState::Checked;
        }
        window->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0), 0);

        auto *ports = widget<QComboBox>("portSel");
        QTRY_VERIFY(ports->findText(server.slavePath()) >= 0);
        ports->setCurrentIndex(ports->findText(server.slavePath()));
        widget<QPushButton>("pushButton")->click();
        QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信正常"));
        widget<QPushButton>("pushButton_DownLoadParam")->click();
        QTRY_VERIFY_WITH_TIMEOUT(prompts.hasTitle(QStringLiteral("参数设置结果")), 10000);
        const Prompt::Box &box = prompts.boxes.last();
        QCOMPARE(box.icon, Prompt::Icon::Critical);
        QVERIFY(box.text.contains(stopOnly + QStringLiteral(": 所属参数为停机设置类")));
        QVERIFY(box.text.contains(readOnly + QStringLiteral(": 所设置的参数不允许设置")));
        QVERIFY(box.text.contains(missing + QStringLiteral(": 所设置参数不存在")));
        QVERIFY(defs.findParam(missing)->state & ParamState::WriteFailed);
        Platform::setSystemPortLister({});
        qunsetenv("SERVO_EXTRA_PORTS");
    }
};

QTEST_MAIN(TestParamRoundTrip)
#include "tst_paramroundtrip.moc"
