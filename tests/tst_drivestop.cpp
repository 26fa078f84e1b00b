// The tool never leaves the simulated drive energised or moving, and after a
// link loss the page shows what the drive reports.

#include "app/quitsignals.h"
#include "dialogs/connectionsetup.h"
#include "link/serialthread.h"
#include "dialogs/paramloadseldialog.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>

class TestDriveStop : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    bool servoOnAtDrive() const { return drive->withModel([](DriveModel &m) { return m.servoOn(); }); }
    int jogAtDrive() const { return drive->withModel([](DriveModel &m) { return m.dynamics().jogDirection(); }); }
    QVector<quint16> commandsAtDrive() const
    {
        return drive->withModel([](DriveModel &m) {
            const QVector<quint16> &log = m.dynamics().commandLog();
            return QVector<quint16>(log.cbegin(), log.cend());
        });
    }
    int captureStopsAtDrive() const
    {
        const auto log = drive->requestLog();
        return int(std::count_if(log.cbegin(), log.cend(), [](const auto &r) { return r.cmd == 0x0A && r.subCmd == 0x05; }));
    }
    QPushButton *button(const char *name) const { return widget<QPushButton>(name); }

    void clickServoOn()
    {
        prompts->expect(QStringLiteral("确定运行？"));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
        QTRY_VERIFY(button("pushButton_ManualRunServoON")->isEnabled());
        QTest::mouseClick(button("pushButton_ManualRunServoON"), Qt::LeftButton);
    }
    void servoOn()
    {
        clickServoOn();
        QTRY_VERIFY(servoOnAtDrive());
        QTRY_VERIFY(button("pushButton_ManualRunRotateCW")->isEnabled());
    }

private slots:
    void init()
    {
        openCase();
        QVERIFY(startLinked());
        window()->show();
        QTRY_VERIFY(window()->paramLoadDialog() && window()->paramLoadDialog()->isVisible());
        window()->paramLoadDialog()->reject();
        QApplication::setActiveWindow(window());
    }

    void cleanup() { closeCase(); }

    // Closing, quitting, a signal, a disconnect or a new connection stop what runs
    // before the link ends; a JOG stops, once, whenever its button cannot be released.
    void everyStopReachesTheDrive_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("linkEnds");
        for (const char *trigger : {"close", "Ctrl+Q", "SIGTERM", "SIGINT", "disconnect button",
                                    "disconnect menu", "connection dialog"})
            QTest::addRow("JOG, %s", trigger) << QStringLiteral("jog") << QString::fromLatin1(trigger) << true;
        QTest::newRow("servo on, close") << QStringLiteral("servo") << QStringLiteral("close") << true;
        QTest::newRow("capture, close") << QStringLiteral("capture") << QStringLiteral("close") << true;
        QTest::newRow("capture, disconnect button") << QStringLiteral("capture") << QStringLiteral("disconnect button")
                                                    << true;
        for (const char *trigger : {"mouse release", "focus moves on", "window deactivated", "page change",
                                    "page hidden, focus kept", "button disabled", "space key released",
                                    "space key, focus moves on"})
            QTest::addRow("JOG, %s", trigger) << QStringLiteral("jog") << QString::fromLatin1(trigger) << false;
    }

    void everyStopReachesTheDrive()
    {
        QFETCH(QString, running);
        QFETCH(QString, trigger);
        QFETCH(bool, linkEnds);
        QPushButton *cw = button("pushButton_ManualRunRotateCW");
        if (running == QLatin1String("capture")) {
            widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
            QTest::mouseClick(button("pushButton_waveformRec"), Qt::LeftButton);
            QTRY_VERIFY(drive->streaming());
        } else {
            servoOn();
        }
        if (trigger.startsWith(QLatin1String("space"))) {
            cw->setFocus();
            QTest::keyPress(cw, Qt::Key_Space);
        } else if (running == QLatin1String("jog")) {
            QTest::mousePress(cw, Qt::LeftButton);
        }
        QTRY_COMPARE(jogAtDrive(), running == QLatin1String("jog") ? 1 : 0);
        const int commandsBefore = commandsAtDrive().size();
        // Taken in this thread: the worker reports from its own.
        QList<uint16_t> linkStates;
        QObject states;
        connect(app->linkWorker, &SerialThread::communicateState, &states,
                [&linkStates](uint16_t state) { linkStates.append(state); }, Qt::QueuedConnection);

        if (trigger == QLatin1String("close")) {
            window()->close();
        } else if (trigger == QLatin1String("Ctrl+Q")) {
            QTest::keySequence(window(), QKeySequence(QStringLiteral("Ctrl+Q")));
        } else if (trigger.startsWith(QLatin1String("SIG"))) {
            QuitSignals::install(window());
            ::raise(trigger == QLatin1String("SIGTERM") ? SIGTERM : SIGINT);
        } else if (trigger == QLatin1String("disconnect button")) {
            QTest::mouseClick(button("pushButton"), Qt::LeftButton);
        } else if (trigger == QLatin1String("disconnect menu")) {
            window()->findChild<QAction *>(QStringLiteral("actionDisconnect"))->trigger();
        } else if (trigger == QLatin1String("connection dialog")) {
            emit app->connectionSetup->connectPara(server->slavePath(), 115200, 8, 0, 1);
        } else if (trigger == QLatin1String("mouse release")) {
            QTest::mouseRelease(cw, Qt::LeftButton);
        } else if (trigger.endsWith(QLatin1String("focus moves on"))) {
            QTest::keyClick(cw, Qt::Key_Tab);
        } else if (trigger == QLatin1String("window deactivated")) {
            QApplication::setActiveWindow(nullptr);
        } else if (trigger == QLatin1String("page change")) {
            auto *pages = widget<QListWidget>("listWidget");
            QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                              pages->visualItemRect(pages->item(MainWindow::MonitorPage)).center());
        } else if (trigger == QLatin1String("page hidden, focus kept")) {
            widget<QStackedWidget>("stackedWidget")->setCurrentIndex(MainWindow::WavePage);
            QVERIFY(cw->hasFocus() || !cw->isVisible());
        } else if (trigger == QLatin1String("button disabled")) {
            cw->setEnabled(false);
        } else {
            QTest::keyRelease(cw, Qt::Key_Space);
        }

        if (!linkEnds) {
            // The JOG stops with the servo kept on; the button let go at last
            // and servo off must not stop it again.
            QTRY_COMPARE(jogAtDrive(), 0);
            QTRY_VERIFY(!window()->manualRun().jogging());
            QVERIFY(servoOnAtDrive());
            QTest::mouseRelease(cw, Qt::LeftButton);
            widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::RunPage);
            QTest::mouseClick(button("pushButton_ManualRunServoOFF"), Qt::LeftButton);
        }
        if (running == QLatin1String("capture")) {
            QTRY_COMPARE(captureStopsAtDrive(), 1);
        } else {
            QTRY_VERIFY(!servoOnAtDrive());
            const QVector<quint16> sent = commandsAtDrive().mid(commandsBefore);
            QVERIFY(sent.contains(0x0004));
            if (running == QLatin1String("jog"))
                QVERIFY(sent.count(0x0018) == 1 && sent.indexOf(0x0018) < sent.indexOf(0x0004));
        }
        QVERIFY(!window()->manualRun().servoOn());
        if (trigger == QLatin1String("connection dialog")) {
            const auto ended = [&] { return linkStates.indexOf(0); };
            QTRY_VERIFY(ended() >= 0 && ended() + 1 < linkStates.size() && window()->linkState() == 1);
        } else if (trigger.startsWith(QLatin1String("disconnect"))) {
            QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信断开"));
        } else if (linkEnds) {
            QTRY_VERIFY(!window()->isVisible());
            QTRY_COMPARE(window()->linkState(), 0);
        }
    }

    // A STOP fault after servo on switches it off while the box is open, the link going on.
    void faultAfterServoOnSwitchesOffBeforeTheBox()
    {
        drive->withModel([&](DriveModel &m) { m.dynamics().setFaultCode(101); });
        prompts->expect(QStringLiteral("JOG无法运行"));
        prompts->onBox = [&](const Prompt::Box &box) {
            if (box.title != QStringLiteral("JOG无法运行"))
                return;
            QVERIFY(QTest::qWaitFor([&] { return commandsAtDrive().endsWith(0x0004); }, 2000));
            const quint64 before = drive->stats().requests;
            QVERIFY(QTest::qWaitFor([&] { return drive->stats().requests > before; }, 3000));
        };
        clickServoOn();
        QTRY_VERIFY(prompts->hasTitle(QStringLiteral("JOG无法运行")));
        QVERIFY(!servoOnAtDrive());
        QCOMPARE(window()->manualRun().state(), int(ManualRunMachine::ServoOffState));
    }

    // After a link loss the drive stays energised, and the reconnected page says so.
    void linkLossThenReconnectShowsWhatTheDriveReports()
    {
        servoOn();
        QTest::mousePress(button("pushButton_ManualRunRotateCW"), Qt::LeftButton);
        QTRY_COMPARE(jogAtDrive(), 1);
        prompts->expect(QStringLiteral("通信中断"));
        prompts->expect(QStringLiteral("通信断开"));
        server->hangUp(0);
        QTRY_COMPARE(widget<QLabel>("communicateState")->text(), QStringLiteral("通信断开"));
        QVERIFY(prompts->hasTitle(QStringLiteral("通信中断")));
        QVERIFY(!button("pushButton_ManualRunServoOFF")->isEnabled());
        QTest::mouseRelease(button("pushButton_ManualRunRotateCW"), Qt::LeftButton);

        QVERIFY(servoOnAtDrive());
        QTRY_VERIFY(!server->hungUp());
        qputenv("SERVO_EXTRA_PORTS", server->slavePath().toLocal8Bit());
        QVERIFY(connectToDrive());
        QTRY_VERIFY(window()->manualRun().servoOn());
        QVERIFY(!button("pushButton_ManualRunServoON")->isEnabled());
        QTest::mouseClick(button("pushButton_ManualRunServoOFF"), Qt::LeftButton);
        QTRY_VERIFY(!servoOnAtDrive());
        QTRY_VERIFY(button("pushButton_ManualRunServoON")->isEnabled());
    }
};

QTEST_MAIN(TestDriveStop)
#include "tst_drivestop.moc"
