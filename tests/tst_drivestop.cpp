// The tool never leaves the simulated drive energised or moving: closing,
// quitting, a signal, a disconnect or a new connection stop what runs
// before the link ends; a JOG stops whenever its button cannot be released;
// a fault after servo on switches it off before any box; and after a link
// loss the page shows what the drive reports.

#include "app/quitsignals.h"
#include "dialogs/connectionsetup.h"
#include "link/serialthread.h"
#include "dialogs/paramloadseldialog.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QStackedWidget>
#include <QtTest>

#include <csignal>

class TestDriveStop : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    bool servoOnAtDrive() const { return drive->withModel([](DriveModel &m) { return m.servoOn(); }); }
    int jogAtDrive() const { return drive->withModel([](DriveModel &m) { return m.dynamics().jogDirection(); }); }
    QVector<quint16> commandsAtDrive() const
    {
        // A copy of its own, made under the drive's lock.
        return drive->withModel([](DriveModel &m) {
            const QVector<quint16> &log = m.dynamics().commandLog();
            return QVector<quint16>(log.cbegin(), log.cend());
        });
    }
    int requestsAtDrive(quint8 cmd, quint8 sub) const
    {
        int n = 0;
        for (const auto &r : drive->requestLog())
            n += r.cmd == cmd && r.subCmd == sub;
        return n;
    }
    QPushButton *button(const char *name) const { return widget<QPushButton>(name); }

    void servoOn()
    {
        prompts->expect(QStringLiteral("确定运行？"));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(button("pushButton_ManualRunServoON")->isEnabled());
        QTest::mouseClick(button("pushButton_ManualRunServoON"), Qt::LeftButton);
        QTRY_VERIFY(servoOnAtDrive());
        QTRY_VERIFY(button("pushButton_ManualRunRotateCW")->isEnabled());
    }
    void jogClockwise()
    {
        QTest::mousePress(button("pushButton_ManualRunRotateCW"), Qt::LeftButton);
        QTRY_COMPARE(jogAtDrive(), 1);
    }

private slots:
    void init()
    {
        openCase();
        QVERIFY(startLinked());
        window()->show();
        // The drive's identification offers to read its parameters: not now.
        QTRY_VERIFY(window()->paramLoadDialog() && window()->paramLoadDialog()->isVisible());
        window()->paramLoadDialog()->reject();
        QApplication::setActiveWindow(window());
    }

    void cleanup() { closeCase(); }

    void stopBeforeTheLinkEnds_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("trigger");
        for (const char *trigger : {"close", "quit action", "SIGTERM", "SIGINT", "disconnect button",
                                    "disconnect menu", "connection dialog"})
            QTest::addRow("JOG, %s", trigger) << QStringLiteral("jog") << QString::fromLatin1(trigger);
        QTest::newRow("servo on, close") << QStringLiteral("servo") << QStringLiteral("close");
        QTest::newRow("capture, close") << QStringLiteral("capture") << QStringLiteral("close");
        QTest::newRow("capture, disconnect button") << QStringLiteral("capture") << QStringLiteral("disconnect button");
    }

    void stopBeforeTheLinkEnds()
    {
        QFETCH(QString, running);
        QFETCH(QString, trigger);
        if (running == QLatin1String("capture")) {
            widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
            QTest::mouseClick(button("pushButton_waveformRec"), Qt::LeftButton);
            QTRY_VERIFY(drive->streaming());
        } else {
            servoOn();
            if (running == QLatin1String("jog"))
                jogClockwise();
        }
        const int commandsBefore = commandsAtDrive().size();
        QSignalSpy linkStates(app->linkWorker, &SerialThread::communicateState);

        if (trigger == QLatin1String("close")) {
            window()->close();
        } else if (trigger == QLatin1String("quit action")) {
            window()->findChild<QAction *>(QStringLiteral("actionQuit"))->trigger();
        } else if (trigger.startsWith(QLatin1String("SIG"))) {
            QuitSignals::install(window());
            ::raise(trigger == QLatin1String("SIGTERM") ? SIGTERM : SIGINT);
        } else if (trigger == QLatin1String("disconnect button")) {
            QTest::mouseClick(button("pushButton"), Qt::LeftButton);
        } else if (trigger == QLatin1String("disconnect menu")) {
            window()->findChild<QAction *>(QStringLiteral("actionDisconnect"))->trigger();
        } else {
            emit app->connectionSetup->connectPara(server->slavePath(), 115200, 8, 0, 1);
        }

        // The drive got every stop before the link ended.
        if (running == QLatin1String("capture")) {
            QTRY_COMPARE(requestsAtDrive(0x0A, 0x05), 1);
        } else {
            QTRY_VERIFY(!servoOnAtDrive());
            // A poll may come before them, a new link's first query after.
            const QVector<quint16> sent = commandsAtDrive().mid(commandsBefore);
            const int jogStop = sent.indexOf(0x0018), servoOff = sent.indexOf(0x0004);
            QVERIFY(servoOff >= 0);
            if (running == QLatin1String("jog"))
                QVERIFY(jogStop >= 0 && jogStop < servoOff);
            QCOMPARE(jogAtDrive(), 0);
        }
        QVERIFY(!window()->manualRun().servoOn());
        if (trigger == QLatin1String("connection dialog")) {
            // The link ends, then comes back on the port the dialog chose.
            const auto endedThenUp = [&] {
                for (int i = 0; i < linkStates.size(); ++i)
                    if (linkStates.at(i).at(0).value<uint16_t>() == 0)
                        return window()->linkState() == 1 && i + 1 < linkStates.size();
                return false;
            };
            QTRY_VERIFY(endedThenUp());
        } else if (trigger.startsWith(QLatin1String("disconnect"))) {
            QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信断开"));
        } else {
            QTRY_VERIFY(!window()->isVisible());
            QTRY_COMPARE(window()->linkState(), 0);
        }
        // The engineer stopped it: no box at all (an undeclared one fails the row).
    }

    void jogStopsWhenItsButtonCannotBeReleased_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"mouse release", "focus moves on", "window deactivated", "page change",
                                "page hidden, focus kept", "button disabled", "space key released",
                                "space key, focus moves on"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

    void jogStopsWhenItsButtonCannotBeReleased()
    {
        QFETCH(QString, how);
        servoOn();
        QPushButton *cw = button("pushButton_ManualRunRotateCW");
        const bool byKey = how.startsWith(QLatin1String("space"));
        if (byKey) {
            cw->setFocus();
            QTest::keyPress(cw, Qt::Key_Space);
            QTRY_COMPARE(jogAtDrive(), 1);
        } else {
            jogClockwise();
        }
        const int commandsBefore = commandsAtDrive().size();

        if (how == QLatin1String("mouse release")) {
            QTest::mouseRelease(cw, Qt::LeftButton);
        } else if (how.endsWith(QLatin1String("focus moves on"))) {
            QTest::keyClick(cw, Qt::Key_Tab);
        } else if (how == QLatin1String("window deactivated")) {
            QApplication::setActiveWindow(nullptr);
        } else if (how == QLatin1String("page change")) {
            auto *pages = widget<QListWidget>("listWidget");
            QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                              pages->visualItemRect(pages->item(MainWindow::MonitorPage)).center());
        } else if (how == QLatin1String("page hidden, focus kept")) {
            widget<QStackedWidget>("stackedWidget")->setCurrentIndex(MainWindow::WavePage);
            QVERIFY(cw->hasFocus() || !cw->isVisible());
        } else if (how == QLatin1String("button disabled")) {
            cw->setEnabled(false);
        } else {
            QTest::keyRelease(cw, Qt::Key_Space);
        }

        QTRY_COMPARE(jogAtDrive(), 0);
        QTRY_VERIFY(!window()->manualRun().jogging());
        QVERIFY(servoOnAtDrive());
        // The mouse button let go at last, then servo off: the drive heard
        // one JOG stop in all.
        QTest::mouseRelease(cw, Qt::LeftButton);
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTest::mouseClick(button("pushButton_ManualRunServoOFF"), Qt::LeftButton);
        QTRY_VERIFY(!servoOnAtDrive());
        QCOMPARE(commandsAtDrive().mid(commandsBefore).count(0x0018), 1);
    }

    void faultAfterServoOnSwitchesOffBeforeTheBox()
    {
        drive->withModel([&](DriveModel &m) { m.dynamics().setFaultCode(101); }); // a STOP fault
        prompts->expect(QStringLiteral("确定运行？"));
        prompts->expect(QStringLiteral("JOG无法运行"));
        bool servoOffWhileOpen = false;
        int requestsWhileOpen = 0;
        prompts->onBox = [&](const Prompt::Box &box) {
            if (box.title != QStringLiteral("JOG无法运行"))
                return;
            // While the box is open the servo off reaches the drive, and the
            // link goes on (the idle keep-alive).
            servoOffWhileOpen = QTest::qWaitFor([&] { return commandsAtDrive().endsWith(0x0004); }, 2000);
            const int before = drive->stats().requests;
            (void)QTest::qWaitFor([&] { return int(drive->stats().requests) > before; }, 3000);
            requestsWhileOpen = int(drive->stats().requests) - before;
        };
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(button("pushButton_ManualRunServoON")->isEnabled());
        QTest::mouseClick(button("pushButton_ManualRunServoON"), Qt::LeftButton);
        QTRY_VERIFY(prompts->hasTitle(QStringLiteral("JOG无法运行")));
        QVERIFY(servoOffWhileOpen);
        QVERIFY(requestsWhileOpen > 0);
        QVERIFY(!servoOnAtDrive());
        QCOMPARE(window()->manualRun().state(), int(ManualRunMachine::ServoOffState));
    }

    void linkLossThenReconnectShowsWhatTheDriveReports()
    {
        servoOn();
        jogClockwise();
        prompts->expect(QStringLiteral("通信中断"));
        prompts->expect(QStringLiteral("通信断开")); // the link lost, not ended by the engineer
        server->hangUp(0);
        QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信断开"));
        QVERIFY(prompts->hasTitle(QStringLiteral("通信中断")));
        QVERIFY(!button("pushButton_ManualRunServoOFF")->isEnabled());
        QTest::mouseRelease(button("pushButton_ManualRunRotateCW"), Qt::LeftButton);

        // The drive is still energised: after the reconnect the page says so.
        QVERIFY(servoOnAtDrive());
        QTRY_VERIFY(!server->hungUp());
        qputenv("SERVO_EXTRA_PORTS", server->slavePath().toLocal8Bit());
        QVERIFY(connectToDrive());
        QTRY_VERIFY(window()->manualRun().servoOn());
        QVERIFY(!button("pushButton_ManualRunServoON")->isEnabled());
        QVERIFY(button("pushButton_ManualRunServoOFF")->isEnabled());
        QTest::mouseClick(button("pushButton_ManualRunServoOFF"), Qt::LeftButton);
        QTRY_VERIFY(!servoOnAtDrive());
        QTRY_VERIFY(button("pushButton_ManualRunServoON")->isEnabled());
    }
};

QTEST_MAIN(TestDriveStop)
#include "tst_drivestop.moc"
