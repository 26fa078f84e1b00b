// The main window as the program wires it: link, replies, port list, keep-alive, busy watchdog.

#include "dialogs/connectdata.h"
#include "dialogs/errorform.h"
#include "link/serialthread.h"
#include "link/showsrvdebuginfo.h"
#include "mainwindow/busywatchdog.h"
#include "mainwindow/replydispatch.h"
#include "sim/hidstandin/hidstandin.h"
#include "testsupport.h"

#include <QtWidgets>
#include <QtTest>
#include <QtWidgets>

class TestMainWindow : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    QStringList systemPorts;

    QString text(const char *label) const { return widget<QLabel>(label)->text(); }
    QImage lampShown() const { return widget<QLabel>("connectLight_1")->pixmap(Qt::ReturnByValue).toImage(); }
    // The connection request: port, speed, data bits, parity, stop bits.
    static QString request(const QList<QVariant> &a)
    {
        return QStringLiteral("%1 %2 %3 %4 %5").arg(a.value(0).toString()).arg(a.value(1).value<uint32_t>())
            .arg(a.value(2).value<uint8_t>()).arg(a.value(3).value<uint8_t>()).arg(a.value(4).value<uint8_t>());
    }

private slots:
    void init()
    {
        openCase();
        systemPorts.clear();
        Platform::setSystemPortLister([this] { return systemPorts; });
    }

    void cleanup()
    {
        closeCase();
        HidStandIn::reset();
    }

    // Connect, watch the traffic, disconnect, connect again and lose the drive.
    void theLinkComesAndGoes()
    {
        QVERIFY(startDrive());
        startApp();
        app->connectData->diaShow();
        QVERIFY(connectToDrive());
        QCOMPARE(lampShown(), QPixmap(QStringLiteral(":/new/prefix1/green-light.ico")).toImage());
        QCOMPARE(widget<QPushButton>("pushButton")->text(), QStringLiteral("断开连接"));
        // The identification queries go out at once; the idle keep-alive follows.
        QTRY_VERIFY(app->connectData->lines().size() >= 2);
        QVERIFY(app->connectData->lines().first().contains(QStringLiteral("Tx:  7e 04 01 0c 02 01 02 10 00 10 ")));
        QTRY_VERIFY(text("rxNum").startsWith(QStringLiteral("Rx:")));
        const int rx = text("rxNum").mid(3).toInt();
        QTRY_VERIFY_WITH_TIMEOUT(text("rxNum").mid(3).toInt() > rx, 3000);
        QCOMPARE(text("errorNum"), QStringLiteral("ER:0"));
        widget<QPushButton>("comReset")->click();
        QTRY_COMPARE(text("txNum"), QStringLiteral("Tx:1"));

        // The user's own disconnect shows no box; a drive that goes away does.
        widget<QPushButton>("pushButton")->click();
        QTRY_COMPARE(text("communicateState"), QStringLiteral("通信断开"));
        QVERIFY(app->linkWorker->wait(3000));

        // A drive that stops answering: the cause and the port named, nothing
        // of it left on show, and the same port again from the box.
        QVERIFY(connectToDrive());
        QTRY_VERIFY(!window()->deviceSerialText().isEmpty());
        QString error;
        prompts->expect(QStringLiteral("通信断开"), QMessageBox::Retry);
        prompts->onBox = [&](const Prompt::Box &) {
            QCOMPARE(lampShown(), QPixmap(QStringLiteral(":/new/prefix1/red-light.ico")).toImage());
            QCOMPARE(widget<QPushButton>("pushButton")->text(), QStringLiteral("连接设备"));
            QVERIFY(window()->deviceModelText().isEmpty() && window()->deviceSerialText().isEmpty());
            drive->applyFault(QStringLiteral("stop-after"), QStringLiteral("-1"), &error);
        };
        QVERIFY(drive->applyFault(QStringLiteral("stop-after"), QString::number(drive->stats().replies), &error));
        QTRY_COMPARE_WITH_TIMEOUT(prompts->boxes.size(), 1, 5000);
        QVERIFY(prompts->boxes.first().text.contains(QStringLiteral("驱动器连续三次没有应答")));
        QVERIFY(prompts->boxes.first().text.contains(server->slavePath()));
        QTRY_COMPARE_WITH_TIMEOUT(text("communicateState"), QStringLiteral("通信正常"), 5000);
        QTRY_VERIFY(!window()->deviceSerialText().isEmpty());
    }

    // A fault shows on every page until it clears; the session keeps each with its times.
    void aDriveFaultIsShownAndKept()
    {
        QVERIFY(startDrive());
        startApp();
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::MonitorPage);
        QVERIFY(connectToDrive());
        auto *indicator = widget<QPushButton>("pushButton_FaultIndicator");
        auto *history = widget<QTableWidget>("tableWidget_FaultHistory");
        const auto setFault = [&](quint16 code) { drive->withModel([code](DriveModel &m) { m.dynamics().setFaultCode(code); }); };
        QTRY_COMPARE(text("label_ManualRun_ErrorCode_3"), QStringLiteral("报警代码：无故障"));
        QVERIFY(indicator->isHidden());
        for (quint16 code : {5, 0, 12}) {
            setFault(code);
            QTRY_COMPARE_WITH_TIMEOUT(indicator->isHidden(), code == 0, 5000);
        }
        QVERIFY(indicator->text().startsWith(QStringLiteral("故障 12")));
        indicator->click();
        QCOMPARE(widget<QStackedWidget>("stackedWidget")->currentIndex(), int(MainWindow::FaultPage));
        QVERIFY(text("label_ManualRun_ErrorCode_3").startsWith(QStringLiteral("报警代码：12")));
        // The user's disconnect: the fault still on is no longer known.
        widget<QPushButton>("pushButton")->click();
        QTRY_VERIFY(indicator->isHidden());
        QCOMPARE(history->rowCount(), 2); // newest first
        QCOMPARE(history->item(0, 4)->text(), QStringLiteral("通信断开"));
        QVERIFY(!history->item(1, 3)->text().isEmpty() && history->item(1, 4)->text().isEmpty());

        prompts->expect(QStringLiteral("保存故障记录"));
        prompts->fileAnswers << dir->path(QStringLiteral("faults.csv"));
        widget<QPushButton>("pushButton_FaultHistorySave")->click();
        const QStringList lines = QString::fromUtf8(dir->read(QStringLiteral("faults.csv"))).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4); // header, two faults, the final line end
        QVERIFY(lines.at(1).startsWith(QStringLiteral("5,")) && lines.at(2).endsWith(QStringLiteral(",通信断开")));
    }

    // Without a link only the keep-alive goes out; with one, an unanswered request does not block the next.
    void withoutALinkOrAReply()
    {
        startApp();
        QSignalSpy put(window(), &MainWindow::put);
        prompts->expect(QStringLiteral("通信未建立，请先连接设备！"));
        window()->ProductSerial_Query();
        window()->getSoftWare();
        QVERIFY(put.isEmpty());
        QCOMPARE(prompts->boxes.size(), 2);
        QCOMPARE(prompts->boxes.first().icon, Prompt::Icon::Critical);

        // The idle keep-alive, unless the traffic-monitor button shows.
        window()->comIdleDeal();
        QCOMPARE(put.size(), 1);
        QCOMPARE(put.first().first().toInt(), int(Cmd::IdleQuery));
        widget<QPushButton>("pushButton_showCommData")->setVisible(true);
        window()->comIdleDeal();
        QCOMPARE(put.size(), 1);

        widget<QPushButton>("pushButton_showCommData")->click();
        QVERIFY(app->connectData->isVisible());
        QVERIFY(app->debugInfo->isVisible());
        app->connectData->hide();
        emit window()->showConnectDataDia();
        QVERIFY(app->connectData->isVisible());
        emit window()->showWrongSet(QStringLiteral("bad code"));
        QVERIFY(app->errors->messages().last().endsWith(QStringLiteral("bad code")));

        // Help names the file it tried; the guide's pages open inside the tool.
        prompts->expect(QStringLiteral("帮助"));
        widget<QAction>("actionHelp")->trigger();
        QVERIFY(prompts->boxes.last().text.endsWith(QStringLiteral("help/index.html")));
        dir->write(QStringLiteral("help/index.html"), "<h1>Guide</h1>");
        widget<QAction>("actionHelp")->trigger();
        auto *help = window()->findChild<QTextBrowser *>(QStringLiteral("textBrowser_Help"));
        QVERIFY(help && help->isVisible() && help->toPlainText() == QStringLiteral("Guide"));

        window()->comStateShow(1); // nobody answers
        for (const char *told : {"参数传输进行中，请稍后再试！", "恢复出厂设置", "驱动器没有应答。"})
            prompts->expect(QString::fromUtf8(told));
        put.clear();
        window()->setParamTransferBusy(true);
        widget<QAction>("actionFactoryReset")->trigger();
        QVERIFY(prompts->hasText(QStringLiteral("参数传输进行中，请稍后再试！")));
        const std::pair<const char *, int> requests[] = {{"actionEepromCheck", Cmd::VersionCheck1},
                                                         {"actionEepromCheck", Cmd::VersionCheck1},
                                                         {"actionFactoryReset", Cmd::VersionCheck2}};
        for (const auto &request : requests) {
            if (request.second == Cmd::VersionCheck2)
                QTRY_VERIFY_WITH_TIMEOUT(!window()->isParamTransferBusy(), 5000);
            prompts->boxes.clear();
            widget<QAction>(request.first)->trigger();
            QCOMPARE(put.size(), 1);
            QCOMPARE(put.takeFirst().first().toInt(), request.second);
            QTRY_VERIFY_WITH_TIMEOUT(prompts->hasText(QStringLiteral("驱动器没有应答。")), 3000);
        }
    }

    void everyReplyIsAcknowledgedOnceWithItsPayloadCapped()
    {
        startApp();
        // Zeroed replies no request asked for; an index out of range is acknowledged by nobody.
        for (const char *told : {"参数读取成功", "参数设置结果", "请确认机器是否处于运行中！"})
            prompts->expect(QString::fromUtf8(told));
        QSignalSpy acks(window(), &MainWindow::funcEnd);
        uint8_t reply[200] = {};
        for (int i = 0; i < Cmd::Count; ++i)
            commandTable[i].rxData = reply;
        for (int index : {int(Cmd::Count), 255, -1})
            window()->showData(index);
        QCOMPARE(acks.size(), 0);
        for (int index = 0; index < Cmd::Count; ++index) {
            acks.clear();
            window()->showData(index);
            const bool expected = index != Cmd::WaveKeepAlive && index != Cmd::FirmwarePacket;
            QVERIFY2(acks.size() == (expected ? 1 : 0), qPrintable(QString::number(index)));
        }

        // A reply's payload is at most 200 bytes, and none without data.
        QByteArray bytes(249, '\x11');
        Frame record;
        record.rxDataLen = 249;
        record.rxData = reinterpret_cast<uint8_t *>(bytes.data());
        QCOMPARE(ReplyDispatch::copyPayload(record).size(), 200);
        record.rxData = nullptr;
        QVERIFY(ReplyDispatch::copyPayload(record).isEmpty());
    }

    void watchdogReleasesAfterThreeSeconds()
    {
        BusyWatchdog watchdog;
        bool busy = true;
        watchdog.tick(2900, busy);
        QVERIFY(busy);
        watchdog.tick(100, busy);
        QVERIFY(!busy);
        // A flag cleared in between starts the count again.
        busy = true;
        watchdog.tick(2900, busy);
        bool clear = false;
        watchdog.tick(100, clear);
        watchdog.tick(100, busy);
        QVERIFY(busy);
    }

    void portListFollowsTheSystem()
    {
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\n");
        startApp();
        // No port, nothing to connect to.
        auto *button = widget<QPushButton>("pushButton");
        QTRY_VERIFY(!button->isEnabled());
        QSignalSpy hid(window(), &MainWindow::updateExistHID);
        systemPorts = QStringList{QStringLiteral("ttyUSB0")};
        HidStandIn::plug();
        HidStandIn::DeviceOptions other;
        other.vendorId = 0x1234;
        HidStandIn::plug(other);
        HidStandIn::plug();
        auto *ports = widget<QComboBox>("portSel");
        QTRY_COMPARE(ports->count(), 3);
        QTRY_COMPARE(hid.value(hid.size() - 1).value(0).toStringList(),
                     (QStringList{QStringLiteral("/dev/hidraw-sim0"), QStringLiteral("/dev/hidraw-sim2")}));

        // A port swapped between two scans is picked up; the chosen entry stays chosen.
        ports->setCurrentIndex(2);
        systemPorts = QStringList{QStringLiteral("ttyUSB1")};
        QTRY_COMPARE(ports->itemText(0), QStringLiteral("ttyUSB1"));
        QCOMPARE(ports->currentText(), QStringLiteral("HID2"));

        // HID2 is the second drive's path; a serial port takes the configured speed.
        QSignalSpy connectPara(window(), &MainWindow::connectPara);
        disconnect(window(), &MainWindow::connectPara, app->linkWorker, &SerialThread::transaction);
        button->click();
        QCOMPARE(connectPara.size(), 1);
        QCOMPARE(request(connectPara.value(0)), QStringLiteral("/dev/hidraw-sim2 3839 0 1 1"));
        ports->setCurrentIndex(0);
        button->click();
        QCOMPARE(request(connectPara.value(1)), QStringLiteral("ttyUSB1 921600 8 0 1"));
    }

    // Version check and factory reset: never on connect, refused while the motor may run, confirmed.
    void versionCheckAndFactoryReset()
    {
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        DriveIdentity identity;
        identity.stamps = DriveIdentity::Stamps::Different;
        const auto onDrive = [&](auto f) { return drive->withModel(f); };
        const qint64 factory = onDrive([&](DriveModel &m) { m.setIdentity(identity); return m.parameters().value(1, 0); });
        onDrive([](DriveModel &m) { m.parameters().setValue(1, 0, 777); });
        const auto driveRuns = [&] { return onDrive([](DriveModel &m) { return m.servoOn(); }); };
        const auto trigger = [&](const char *action, const QString &text) {
            prompts->expect(text);
            widget<QAction>(action)->trigger();
            return QTest::qWaitFor([&] { return prompts->hasText(text); }, 5000);
        };
        startApp();
        QSignalSpy put(window(), &MainWindow::put);
        QVERIFY(connectToDrive());
        QTRY_VERIFY_WITH_TIMEOUT(put.contains({int(Cmd::IdleQuery)}), 5000); // idle after the identification
        QVERIFY(!put.contains({int(Cmd::VersionCheck1)}));
        QVERIFY(trigger("actionEepromCheck", QStringLiteral("请点击恢复出厂设置")));

        window()->manualRun().handle(ManualRunMachine::User, ManualRunMachine::ServoOn);
        QTRY_VERIFY(driveRuns());
        QVERIFY(trigger("actionFactoryReset", QStringLiteral("请先关闭伺服！")));
        window()->manualRun().handle(ManualRunMachine::User, ManualRunMachine::ServoOff);
        prompts->expect(QStringLiteral("恢复出厂设置")); // the confirmation, answered Yes unless told
        QTRY_VERIFY(!driveRuns());
        onDrive([](DriveModel &m) { m.setServoOn(true); }); // running on its own
        QVERIFY(trigger("actionFactoryReset", QStringLiteral("请确认机器是否处于运行中！")));
        onDrive([](DriveModel &m) { m.setServoOn(false); });
        prompts->answers << QMessageBox::No;
        widget<QAction>("actionFactoryReset")->trigger();

        QVERIFY(trigger("actionFactoryReset", QStringLiteral("参数读取成功")));
        QCOMPARE(window()->definitions().findParam(QStringLiteral("P01_00"))->currentValue, QString::number(factory));
        QVERIFY(trigger("actionEepromCheck", QStringLiteral("EEPROM版本一致")));
        QCOMPARE(put.count({int(Cmd::VersionCheck2)}), 2); // nothing after "No"
        QVERIFY(std::any_of(prompts->boxes.cbegin(), prompts->boxes.cend(), [](const Prompt::Box &b) {
            return b.title == QStringLiteral("恢复出厂设置") && b.defaultButton == QMessageBox::No;
        }));
    }
    // A key clicks its button while the page shows it, the button's slot still refusing what it
    // must; F5 only starts a capture, Shift+F5 only stops one.
    void keysReachTheirActions_data()
    {
        QTest::addColumn<QString>("seen"); // the page shown, commands sent, boxes, file requests, the input dialog
        for (const auto &row : {std::make_pair("Ctrl+5", "4"), {"Ctrl+R", "0 1"}, {"Ctrl+2, Ctrl+R", "1"},
                                {"Ctrl+D", "0 未选中要下载的参数"}, {"Ctrl+O", "0 14 参数文件"}, {"Ctrl+4, Ctrl+O", "3 导入波形"},
                                {"Ctrl+4, Ctrl+S", "3 无法保存"}, {"Ctrl+4, F5, F5", "3 7"}, {"Ctrl+4, F5, Shift+F5", "3 7 8"},
                                {"Ctrl+4, Shift+F5", "3"}, {"Down, Return", "0 edit"}})
            QTest::newRow(row.first) << QString::fromUtf8(row.second);
    }

    void keysReachTheirActions()
    {
        MainWindow *w = startWindow();
        w->show();
        QApplication::setActiveWindow(w);
        w->comStateShow(1); // nobody answers
        widget<QTableWidget>("tableWidget_Param")->setFocus();
        prompts->expect(QString()); // every box shows in `seen`
        QSignalSpy put(w, &MainWindow::put);
        QTest::keySequence(w, QKeySequence(QString::fromLatin1(QTest::currentDataTag())));
        QStringList seen{QString::number(widget<QStackedWidget>("stackedWidget")->currentIndex())};
        for (const QList<QVariant> &args : qAsConst(put))
            seen << args.first().toString();
        for (const Prompt::Box &box : qAsConst(prompts->boxes))
            seen << box.title;
        for (const Prompt::FileRequest &file : qAsConst(prompts->files))
            seen << file.caption;
        if (widget<QWidget>("ParamInputDialog")->isVisible())
            seen << QStringLiteral("edit");
        QTEST(seen.join(QLatin1Char(' ')), "seen");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
