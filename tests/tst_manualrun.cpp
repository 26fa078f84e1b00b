// The manual-run state machine, event by event, without a window.

#include "mainwindow/manualrun.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

struct Sent {
    quint16 code, v1, v2, v3;
};

class FakeView : public ManualRunView
{
public:
    bool send(quint16 code, quint16 v1, quint16 v2, quint16 v3) override
    {
        if (!linked)
            return false;
        sent.append(Sent{code, v1, v2, v3});
        return true;
    }
    void requestSettings() override { ++settingsRequests; }
    void setTimerRunning(bool running) override { timer = running; }
    void setServoStyles(bool on, bool off) override
    {
        onActive = on;
        offActive = off;
    }
    void setEnabled(Control control, bool enabled) override { this->enabled[control] = enabled; }
    void setInertiaButton(bool running) override { inertiaRunning = running; }
    void setMeasureButton(bool running) override { measureRunning = running; }
    void showValues(const ManualRunReply *) override { ++valueShows; }
    void showInertiaResults(const ManualRunReply &) override {}
    void showLevels(const LevelResults &levels) override { shownLevels = levels; }
    void showLevelParams(const std::array<quint16, 8> &words) override { levelParams = words; }
    void warn(const QString &title, const QString &text) override
    {
        warnings.append(title + QLatin1Char('|') + text);
        sentBeforeWarning = codes();
    }
    QMessageBox::StandardButton ask(const QString &title, const QString &text, QMessageBox::StandardButtons) override
    {
        asked.append(title);
        askedText = text;
        return answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    }
    void pauseComm(bool paused) override { pauses.append(paused); }
    bool faultStops(quint16 code) override { return stopCodes.contains(code); }
    bool inertiaRatioRange(qint64 *min, qint64 *max) override
    {
        *min = ratioRange.first;
        *max = ratioRange.second;
        return ratioRange.first <= ratioRange.second;
    }
    Inputs inputs() override { return in; }

    QList<quint16> codes() const
    {
        QList<quint16> list;
        for (const Sent &s : sent)
            list.append(s.code);
        return list;
    }

    bool linked = true;
    QList<Sent> sent;
    int settingsRequests = 0, valueShows = 0;
    bool timer = false, onActive = false, offActive = false, inertiaRunning = false, measureRunning = false;
    QMap<Control, bool> enabled;
    LevelResults shownLevels;
    std::array<quint16, 8> levelParams{};
    QStringList warnings, asked;
    QString askedText;
    QList<quint16> sentBeforeWarning, stopCodes;
    QPair<qint64, qint64> ratioRange{0, 12000};
    QList<QMessageBox::StandardButton> answers;
    QList<bool> pauses;
    Inputs in{200, 1000, 3, 1};
};

using M = ManualRunMachine;

struct Rig {
    FakeView view;
    ManualRunMachine machine{view};

    void reply(quint8 state = 5, quint8 status = 0x10, quint16 fault = 0, quint16 level = 0, float ratio = 0)
    {
        ManualRunReply &r = machine.reply();
        r.driveState = state;
        r.status = status;
        r.faultCode = fault;
        r.level = level;
        r.inertiaRatio = ratio;
        r.levelWords = {{level, quint16(level * 2), 0, 0, 0, 0, 0, 0}};
        machine.replyArrived();
        machine.handle(M::Link, M::DataReply);
    }
    void tick() { machine.handle(M::Timer, M::Tick); }
    void user(int event) { machine.handle(M::User, event); }

    // Servo off, JOG (its first reply in), identification or measurement started.
    void toState(int state)
    {
        if (state >= M::JogState) {
            user(M::ServoOn);
            reply();
            view.sent.clear();
        }
        if (state >= M::IdentifyState)
            user(M::InertiaIdentification);
        if (state == M::MeasureState)
            user(M::AutoMeasurement);
    }
};

} // namespace

class TestManualRun : public QObject
{
    Q_OBJECT

private slots:
    void servoOnStartsJogPollingAndValues()
    {
        Rig rig;
        rig.user(M::ServoOn);
        QCOMPARE(rig.machine.state(), int(M::JogState));
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0002});
        QVERIFY(rig.view.sent[0].v1 == 200 && rig.view.sent[0].v2 == 100);
        QVERIFY(rig.view.timer && rig.view.onActive && !rig.view.offActive);
        QVERIFY(rig.view.enabled[ManualRunView::CwButton] && !rig.view.enabled[ManualRunView::ServoOnButton]);
        QCOMPARE(rig.view.settingsRequests, 1);
        QVERIFY(rig.machine.takeFillSettings());
        QVERIFY(!rig.machine.takeFillSettings());
        // Values show from the second reply on.
        rig.reply(5, 0x10);
        rig.reply(5, 0x10);
        QCOMPARE(rig.view.valueShows, 0);
        rig.reply(5, 0x00);
        QCOMPARE(rig.view.valueShows, 1);
        QVERIFY(!rig.view.enabled[ManualRunView::InertiaButton]);
        rig.reply(5, 0x10);
        QVERIFY(rig.view.enabled[ManualRunView::InertiaButton]);
    }

    // Servo off and a lost link end whatever runs, from every state.
    void servoOffOrLinkLossFromEveryState_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("linkLost");
        const char *states[] = {"servo off", "jog", "identification", "measurement"};
        for (int from = 0; from < 4; ++from)
            for (bool lost : {false, true})
                QTest::addRow("%s, %s", states[from], lost ? "link lost" : "servo off") << from << lost;
    }

    void servoOffOrLinkLossFromEveryState()
    {
        QFETCH(int, from);
        QFETCH(bool, linkLost);
        Rig rig;
        rig.toState(from);
        rig.view.sent.clear();
        if (linkLost) {
            rig.view.linked = false;
            rig.machine.handle(M::Link, M::LinkLost);
        } else {
            rig.user(M::ServoOff);
        }
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
        QVERIFY(!rig.view.timer && !rig.view.inertiaRunning && !rig.view.measureRunning);
        QVERIFY(!rig.view.enabled[ManualRunView::CwButton]);
        if (linkLost) {
            QVERIFY(rig.view.sent.isEmpty() && !rig.machine.replyPending());
            QVERIFY(!rig.view.enabled[ManualRunView::ServoOnButton]);
            // Nothing could tell the drive to stop: warn it may still be energised.
            QCOMPARE(rig.view.warnings.size(), from == 0 ? 0 : 1);
            if (from != 0)
                QVERIFY(rig.view.warnings.first().startsWith(QStringLiteral("通信中断|")));
            rig.view.linked = true;
            rig.machine.handle(M::Link, M::LinkNormal);
            QVERIFY(rig.view.enabled[ManualRunView::ServoOnButton]);
        } else {
            QCOMPARE(rig.view.codes(), QList<quint16>{0x0004});
            QVERIFY(rig.view.offActive && rig.view.enabled[ManualRunView::QueryButton]);
        }
        rig.user(M::ServoOn);
        QCOMPARE(rig.machine.state(), int(M::JogState));
    }

    void jogPressAndReleaseSendOneCommandEach()
    {
        Rig rig;
        rig.toState(M::JogState);
        rig.user(M::CwPressed);
        rig.user(M::CwReleased);
        rig.user(M::CwReleased); // a focus loss after the release
        rig.user(M::CcwPressed);
        QVERIFY(rig.machine.jogging());
        rig.user(M::CcwReleased);
        QCOMPARE(rig.view.codes(), (QList<quint16>{0x0008, 0x0018, 0x0010, 0x0018}));
        QVERIFY(!rig.machine.jogging());
        // Without the servo on, JOG sends nothing.
        Rig off;
        off.user(M::CwPressed);
        QVERIFY(off.view.sent.isEmpty());
    }

    void lostRepliesAreGivenUpAfter31Ticks()
    {
        Rig rig;
        rig.toState(M::JogState);
        QList<int> pollTicks;
        for (int t = 1; t <= 70; ++t) {
            const int before = rig.view.sent.size();
            rig.tick();
            if (rig.view.sent.size() > before)
                pollTicks.append(t);
        }
        // One poll, then 31 ticks waiting for its reply, then the next.
        QCOMPARE(pollTicks, (QList<int>{1, 33, 65}));
        QCOMPARE(rig.view.sent.first().code, quint16(0x0001));
    }

    // A drive that cannot run is switched off before the warning shows.
    void servoOnRefusedWhenTheDriveCannotRun_data()
    {
        QTest::addColumn<bool>("cleanReplyFirst");
        QTest::addColumn<quint8>("driveState");
        QTest::addColumn<quint16>("fault");
        QTest::addColumn<QString>("warning"); // empty: keeps running
        QTest::newRow("not ready") << false << quint8(1) << quint16(0) << "JOG无法运行|系统当前非就绪状态！";
        QTest::newRow("stop fault") << false << quint8(5) << quint16(101) << "JOG无法运行|系统当前有故障";
        QTest::newRow("stop fault later") << true << quint8(5) << quint16(101) << "JOG无法运行|系统当前有故障";
        QTest::newRow("alarm that lets it run") << false << quint8(5) << quint16(950) << "";
    }

    void servoOnRefusedWhenTheDriveCannotRun()
    {
        QFETCH(bool, cleanReplyFirst);
        QFETCH(quint8, driveState);
        QFETCH(quint16, fault);
        QFETCH(QString, warning);
        Rig rig;
        rig.view.stopCodes = {101};
        rig.user(M::ServoOn);
        if (cleanReplyFirst)
            rig.reply();
        rig.reply(driveState, 0, fault);
        const bool refused = !warning.isEmpty();
        QCOMPARE(rig.machine.state(), int(refused ? M::ServoOffState : M::JogState));
        if (refused)
            QCOMPARE(rig.view.sentBeforeWarning.last(), quint16(M::CodeServoOff));
        // Further replies warn no more.
        rig.reply(driveState, 0, fault);
        QCOMPARE(rig.view.warnings, refused ? QStringList{warning} : QStringList());
    }

    void identificationStopsFirstStartsOnTheNextTickAndGivesUp()
    {
        Rig rig;
        rig.toState(M::IdentifyState);
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0004});
        QVERIFY(rig.view.inertiaRunning);
        // A second start while the first is still to go out is refused.
        rig.user(M::InertiaIdentification);
        QCOMPARE(rig.view.warnings, QStringList{QStringLiteral("无法执行操作|惯量识别中，待测试完毕后再试")});
        rig.reply();
        rig.tick();
        const Sent start = rig.view.sent.last();
        QVERIFY(start.code == 0x0020 && start.v1 == 1000 && start.v2 == 3 && start.v3 == 1);
        // Never reported running: given up at the third reply after the start.
        rig.reply();
        rig.tick();
        rig.reply();
        QCOMPARE(rig.machine.state(), int(M::IdentifyState));
        rig.tick();
        rig.reply();
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
        QVERIFY(!rig.view.inertiaRunning);
    }

    void identificationResultIsWrittenOnYes_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<float>("ratio");
        QTest::addColumn<qint64>("max");  // the parameter's upper limit; -1: no such parameter
        QTest::addColumn<bool>("offered");
        QTest::newRow("Yes") << true << 286.4f << qint64(12000) << true;
        QTest::newRow("No") << false << 286.4f << qint64(12000) << true;
        QTest::newRow("at the limit") << true << 12000.4f << qint64(12000) << true;
        QTest::newRow("above the parameter") << true << 12000.6f << qint64(12000) << false;
        QTest::newRow("beyond 16 bits") << true << 70000.0f << qint64(-1) << false;
        QTest::newRow("negative") << true << -3.0f << qint64(12000) << false;
        QTest::newRow("not a number") << true << std::numeric_limits<float>::quiet_NaN() << qint64(12000) << false;
    }

    void identificationResultIsWrittenOnYes()
    {
        QFETCH(bool, yes);
        QFETCH(float, ratio);
        QFETCH(qint64, max);
        QFETCH(bool, offered);
        Rig rig;
        rig.view.ratioRange = {max < 0 ? 1 : 0, max};
        rig.toState(M::IdentifyState);
        rig.view.answers = {yes ? QMessageBox::Yes : QMessageBox::No};
        rig.reply();
        for (int t = 0; t < 3; ++t) {
            rig.tick();
            rig.reply(5, 0x01); // running
        }
        QVERIFY(rig.view.asked.isEmpty());
        rig.tick();
        rig.view.sent.clear();
        rig.reply(5, 0x02, 0, 0, ratio); // finished
        QVERIFY(!rig.view.timer && !rig.view.inertiaRunning && rig.view.enabled[ManualRunView::MeasureButton]);
        QCOMPARE(rig.machine.state(), int(M::IdentifyState));
        if (!offered) {
            // Refused with a message, never wrapped into 16 bits.
            QVERIFY(rig.view.asked.isEmpty() && rig.view.sent.isEmpty());
            QVERIFY(rig.view.warnings.size() == 1 && rig.view.warnings.first().startsWith(QStringLiteral("惯量识别完成|识别的负载惯量比")));
            return;
        }
        QCOMPARE(rig.view.asked, QStringList{QStringLiteral("惯量识别完成")});
        const quint16 value = quint16(std::lround(ratio));
        QVERIFY(rig.view.askedText.contains(QString::number(value)));
        QCOMPARE(rig.view.pauses, (QList<bool>{true, false}));
        QCOMPARE(rig.view.codes(), yes ? QList<quint16>{0x0040} : QList<quint16>{});
        if (yes)
            QCOMPARE(rig.view.sent[0].v2, value);
        // The question comes once per identification.
        rig.reply(5, 0x02, 0, 0, ratio);
        QCOMPARE(rig.view.asked.size(), 1);
    }

    void driveStateAfterReconnect_data()
    {
        QTest::addColumn<quint8>("driveState");
        QTest::addColumn<bool>("servoOffFirst"); // a servo off clicked before the answer came
        QTest::addColumn<bool>("shownOn");
        QTest::newRow("still energised") << quint8(5) << false << true;
        QTest::newRow("ready, servo off") << quint8(4) << false << false;
        QTest::newRow("not ready") << quint8(1) << false << false;
        QTest::newRow("servo off clicked meanwhile") << quint8(5) << true << false;
    }

    void driveStateAfterReconnect()
    {
        QFETCH(quint8, driveState);
        QFETCH(bool, servoOffFirst);
        QFETCH(bool, shownOn);
        Rig rig;
        rig.machine.handle(M::Link, M::LinkNormal);
        rig.machine.handle(M::Link, M::LinkUp);
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0001});
        if (servoOffFirst)
            rig.user(M::ServoOff);
        rig.reply(driveState, 0x10);
        QCOMPARE(rig.machine.servoOn(), shownOn);
        QVERIFY(rig.view.enabled[ManualRunView::ServoOffButton]);
        for (bool shown : {rig.view.onActive, rig.view.enabled[ManualRunView::CwButton], rig.view.timer})
            QCOMPARE(shown, shownOn);
        // A later poll answer does not switch a page shown off to on.
        rig.reply(5, 0x10);
        QCOMPARE(rig.machine.servoOn(), shownOn);
    }

    void stopBeforeDisconnect_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("jog");
        QTest::addColumn<QList<quint16>>("codes");
        QTest::newRow("servo off") << 0 << false << QList<quint16>{};
        QTest::newRow("servo on") << 1 << false << QList<quint16>{0x0004};
        QTest::newRow("jogging") << 1 << true << QList<quint16>{0x0018, 0x0004};
        QTest::newRow("identification") << 2 << false << QList<quint16>{0x0004};
        QTest::newRow("measurement") << 3 << false << QList<quint16>{0x0004};
    }

    void stopBeforeDisconnect()
    {
        QFETCH(int, from);
        QFETCH(bool, jog);
        QFETCH(QList<quint16>, codes);
        Rig rig;
        rig.toState(from);
        if (jog)
            rig.user(M::CwPressed);
        rig.view.sent.clear();
        QCOMPARE(rig.machine.stopBeforeDisconnect(), !codes.isEmpty());
        QCOMPARE(rig.view.codes(), codes);
        QVERIFY(!rig.machine.servoOn());
        // The link loss that follows warns of nothing.
        rig.machine.handle(M::Link, M::LinkLost);
        QVERIFY(rig.view.warnings.isEmpty());
    }

    void measurementSavesTheLevelTwoBelowTheLast_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("Save") << true;
        QTest::newRow("Cancel") << false;
    }

    void measurementSavesTheLevelTwoBelowTheLast()
    {
        QFETCH(bool, save);
        Rig rig;
        rig.toState(M::MeasureState);
        QCOMPARE(rig.view.codes(), (QList<quint16>{0x0004, 0x0080}));
        QVERIFY(rig.view.measureRunning);
        rig.view.answers = {save ? QMessageBox::Save : QMessageBox::Cancel};
        // Two replies before the levels: not stored.
        rig.reply(5, 0x04, 0, 7);
        rig.reply(5, 0x04, 0, 8);
        QVERIFY(rig.machine.levels().isEmpty());
        for (quint16 level : {1, 2, 3}) {
            rig.tick();
            rig.tick();
            rig.reply(5, 0x04, 0, level);
        }
        QCOMPARE(rig.machine.levels().keys(), (QList<quint16>{1, 2, 3}));
        QCOMPARE(rig.view.shownLevels.size(), 3);
        rig.view.sent.clear();
        rig.reply(5, 0x08, 0, 3);
        QCOMPARE(rig.view.asked, QStringList{QStringLiteral("刚性等级测试结果")});
        QCOMPARE(rig.view.levelParams[0], quint16(1));
        QVERIFY(rig.machine.measurementDone() && !rig.view.measureRunning);
        QCOMPARE(rig.view.codes(), save ? QList<quint16>{0x0100} : QList<quint16>{});
        if (save)
            QCOMPARE(rig.view.sent[0].v1, quint16(1));
    }

    void measurementWithoutAnswerIsReported()
    {
        Rig rig;
        rig.toState(M::MeasureState);
        for (int t = 0; t < 6; ++t)
            rig.tick();
        rig.reply(5, 0x00);
        QCOMPARE(rig.view.warnings, QStringList{QStringLiteral("刚性等级测试结果|伺服驱动器未响应！请重新测试或关闭伺服")});
        QVERIFY(!rig.machine.measuring());
        // A second click starts it again; while it runs, a click is refused.
        rig.user(M::AutoMeasurement);
        QVERIFY(rig.machine.measuring());
        rig.user(M::AutoMeasurement);
        QCOMPARE(rig.view.warnings.last(), QStringLiteral("无法执行操作|参数测量中，待测试完毕后再试"));
    }
};

QTEST_GUILESS_MAIN(TestManualRun)
#include "tst_manualrun.moc"
