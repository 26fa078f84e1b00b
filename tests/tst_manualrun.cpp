// The manual-run state machine, event by event, without a window.

#include "mainwindow/manualrun.h"

#include <QtTest>

namespace {

struct Sent {
    quint16 code, v1, v2, v3;
};

class FakeView : public ManualRunView
{
public:
    bool send(quint16 code, quint16 v1, quint16 v2, quint16 v3) override
    {
        if (linked)
            sent.append(Sent{code, v1, v2, v3});
        return linked;
    }
    void requestSettings() override {}
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
    void showLevels(const LevelResults &) override {}
    void showLevelParams(const std::array<quint16, 8> &words) override { levelParams = words; }
    void warn(const QString &title, const QString &text) override
    {
        warnings.append(title + QLatin1Char('|') + text);
        sentBeforeWarning = codes();
    }
    QMessageBox::StandardButton ask(const QString &title, const QString &text, QMessageBox::StandardButtons) override
    {
        asked.append(title + QLatin1Char('|') + text);
        if (whileAsked)
            whileAsked();
        return answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    }
    void pauseComm(bool paused) override { pauses.append(paused); }
    bool faultStops(quint16 code) override { return code == 101; } // 950: an alarm that lets it run
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
    int valueShows = 0;
    bool timer = false, onActive = false, offActive = false, inertiaRunning = false, measureRunning = false;
    QMap<Control, bool> enabled;
    std::array<quint16, 8> levelParams{};
    QStringList warnings, asked;
    QList<quint16> sentBeforeWarning;
    QPair<qint64, qint64> ratioRange{0, 12000};
    std::function<void()> whileAsked; // what the user does while a question is open
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
    // Servo on (JOG before it sends nothing) at the JOG speed; a lost poll reply given up after 31 ticks; values from the third reply.
    void servoOnStartsJogPollingAndValues()
    {
        Rig rig;
        rig.user(M::CwPressed);
        rig.user(M::ServoOn);
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0002});
        QVERIFY(rig.view.sent[0].v1 == 200 && rig.view.sent[0].v2 == 100);
        QVERIFY(!rig.view.offActive && !rig.view.enabled[ManualRunView::ServoOnButton]);
        QVERIFY(rig.machine.takeFillSettings());
        QVERIFY(!rig.machine.takeFillSettings());
        rig.reply(5, 0x10);
        rig.reply(5, 0x10);
        rig.reply(5, 0x00);
        QCOMPARE(rig.view.valueShows, 1);
        QVERIFY(!rig.view.enabled[ManualRunView::InertiaButton]);
        rig.view.sent.clear();
        QList<int> pollTicks;
        for (int t = 1; t <= 70; ++t) {
            rig.tick();
            if (rig.view.sent.size() > pollTicks.size())
                pollTicks.append(t);
        }
        QCOMPARE(pollTicks, (QList<int>{1, 33, 65}));
    }

    // Each way the motor is stopped, refused or shown on after a reconnect: commands (out before any warning), warning, state.
    void stopsAndRefusals_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("driveState"); // and fault: the reply after the event
        QTest::addColumn<int>("fault");
        QTest::addColumn<QList<quint16>>("codes");
        QTest::addColumn<QString>("warning"); // how it starts; empty: none
        QTest::addColumn<int>("after");
        const QList<quint16> none, off{0x0004}, on{0x0002, 0x0004}, query{0x0001};
        const char *states[] = {"servo off", "jog", "identification", "measurement"};
        for (int from = 0; from < 4; ++from) {
            QTest::addRow("%s, servo off", states[from]) << from << "servo off" << 5 << 0 << off << QString() << 0;
            QTest::addRow("%s, link lost", states[from])
                << from << "link lost" << 5 << 0 << none << (from ? QStringLiteral("通信中断|") : QString()) << 0;
            QTest::addRow("%s, disconnect", states[from])
                << from << "disconnect" << 5 << 0 << (from ? off : none) << QString() << 0;
        }
        QTest::newRow("JOG cw, then ccw, disconnect") << 1 << "JOG, disconnect" << 5 << 0
                                                      << QList<quint16>{0x0008, 0x0018, 0x0010, 0x0018, 0x0004} << QString() << 0;
        QTest::newRow("servo on, not ready") << 0 << "servo on" << 1 << 0 << on << "JOG无法运行|系统当前非就绪状态！" << 0;
        QTest::newRow("servo on, stop fault") << 0 << "servo on" << 5 << 101 << on << "JOG无法运行|系统当前有故障" << 0;
        QTest::newRow("jog, stop fault later") << 1 << "reply" << 5 << 101 << off << "JOG无法运行|系统当前有故障" << 0;
        QTest::newRow("servo on, alarm") << 0 << "servo on" << 5 << 950 << QList<quint16>{0x0002} << QString() << 1;
        QTest::newRow("reconnect, still energised") << 0 << "reconnect" << 5 << 0 << query << QString() << 1;
        QTest::newRow("reconnect, ready") << 0 << "reconnect" << 4 << 0 << query << QString() << 0;
        QTest::newRow("reconnect, not ready") << 0 << "reconnect" << 1 << 0 << query << QString() << 0;
        QTest::newRow("reconnect, servo off clicked before the answer")
            << 0 << "reconnect, servo off" << 5 << 0 << QList<quint16>{0x0001, 0x0004} << QString() << 0;
    }

    void stopsAndRefusals()
    {
        QFETCH(int, from);
        QFETCH(QString, event);
        QFETCH(int, driveState);
        QFETCH(int, fault);
        QFETCH(QList<quint16>, codes);
        QFETCH(QString, warning);
        QFETCH(int, after);
        Rig rig;
        rig.toState(from);
        rig.view.sent.clear();
        if (event.startsWith(QLatin1String("JOG"))) {
            rig.user(M::CwPressed);
            rig.user(M::CwReleased);
            rig.user(M::CwReleased); // a focus loss after the release
            rig.user(M::CcwPressed);
        }
        if (event == QLatin1String("servo off")) {
            rig.user(M::ServoOff);
            QVERIFY(rig.view.offActive && rig.view.enabled[ManualRunView::QueryButton]);
        } else if (event == QLatin1String("link lost")) {
            rig.view.linked = false;
            rig.machine.handle(M::Link, M::LinkLost);
            QVERIFY(!rig.machine.replyPending());
        } else if (event.endsWith(QLatin1String("disconnect"))) {
            QCOMPARE(rig.machine.stopBeforeDisconnect(), !codes.isEmpty());
        } else {
            if (event == QLatin1String("servo on"))
                rig.user(M::ServoOn);
            if (event.startsWith(QLatin1String("reconnect")))
                rig.machine.handle(M::Link, M::LinkUp);
            if (event == QLatin1String("reconnect, servo off"))
                rig.user(M::ServoOff);
            rig.reply(quint8(driveState), 0, quint16(fault));
        }
        QCOMPARE(rig.view.codes(), codes);
        QCOMPARE(rig.view.warnings.size(), int(!warning.isEmpty()));
        QVERIFY(rig.view.warnings.value(0).startsWith(warning));
        if (!warning.isEmpty())
            QCOMPARE(rig.view.sentBeforeWarning, codes);
        QCOMPARE(rig.machine.state(), after);
        const bool on = after == M::JogState;
        for (bool shown : {rig.machine.servoOn(), rig.view.onActive, rig.view.timer, rig.view.enabled[ManualRunView::CwButton]})
            QCOMPARE(shown, on);
        QVERIFY(!rig.view.inertiaRunning && !rig.view.measureRunning);
        rig.reply();
        QCOMPARE(rig.machine.state(), after);
    }

    // Identification: stop, start on the next tick, given up if never running; a ratio the parameter takes written on Yes.
    void identificationRun_data()
    {
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<float>("ratio");
        QTest::addColumn<qint64>("max"); // the parameter's upper limit; -1: no such parameter
        QTest::addColumn<bool>("offered");
        QTest::addColumn<bool>("offMeanwhile"); // the servo switched off while the question is open
        QTest::newRow("Yes") << true << true << 286.4f << qint64(12000) << true << false;
        QTest::newRow("Yes after a servo off") << true << true << 286.4f << qint64(12000) << true << true;
        QTest::newRow("No") << true << false << 286.4f << qint64(12000) << true << false;
        QTest::newRow("at the limit") << true << true << 12000.4f << qint64(12000) << true << false;
        QTest::newRow("above the parameter") << true << true << 12000.6f << qint64(12000) << false << false;
        QTest::newRow("beyond 16 bits") << true << true << 70000.0f << qint64(-1) << false << false;
        QTest::newRow("negative") << true << true << -3.0f << qint64(12000) << false << false;
        QTest::newRow("not a number") << true << true << float(qQNaN()) << qint64(12000) << false << false;
        QTest::newRow("never reported running") << false << true << 286.4f << qint64(12000) << false << false;
    }

    void identificationRun()
    {
        QFETCH(bool, runs);
        QFETCH(bool, yes);
        QFETCH(float, ratio);
        QFETCH(qint64, max);
        QFETCH(bool, offered);
        QFETCH(bool, offMeanwhile);
        Rig rig;
        rig.view.ratioRange = {max < 0 ? 1 : 0, max};
        rig.view.answers = {yes ? QMessageBox::Yes : QMessageBox::No};
        rig.toState(M::IdentifyState);
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0004});
        QVERIFY(rig.view.inertiaRunning);
        rig.user(M::InertiaIdentification);
        QCOMPARE(rig.view.warnings, QStringList{QStringLiteral("无法执行操作|惯量识别中，待测试完毕后再试")});
        rig.reply();
        rig.tick();
        const Sent start = rig.view.sent.last();
        QVERIFY(start.code == 0x0020 && start.v1 == 1000 && start.v2 == 3 && start.v3 == 1);
        for (int t = 0; t < 3; ++t) {
            rig.reply(5, runs ? 0x01 : 0x00);
            QCOMPARE(rig.machine.state(), int(runs || t < 2 ? M::IdentifyState : M::ServoOffState));
            rig.tick();
        }
        rig.view.sent.clear();
        if (offMeanwhile)
            rig.view.whileAsked = [&rig] { rig.user(M::ServoOff); };
        rig.reply(5, 0x02, 0, 0, ratio); // finished, twice: one question
        rig.reply(5, 0x02, 0, 0, ratio);
        QVERIFY(!rig.view.inertiaRunning);
        if (runs)
            QVERIFY(!rig.view.timer && rig.view.enabled[ManualRunView::MeasureButton] != offMeanwhile);
        QCOMPARE(rig.view.asked.size(), int(offered));
        QCOMPARE(rig.view.pauses, offered ? QList<bool>({true, false}) : QList<bool>());
        QCOMPARE(rig.view.codes(), offMeanwhile ? QList<quint16>{0x0004}
                                   : offered && yes ? QList<quint16>{0x0040} : QList<quint16>{});
        if (offered)
            QVERIFY(rig.view.asked[0].contains(QString::number(qRound(ratio))));
        const bool refused = runs && !offered;
        QCOMPARE(rig.view.warnings.size(), refused ? 2 : 1);
        QCOMPARE(rig.view.warnings.last().startsWith(QStringLiteral("惯量识别完成|识别的负载惯量比")), refused);
    }

    // Measurement: levels from the third reply, the one two below the last saved on Save, a quiet drive reported.
    void measurement_data()
    {
        QTest::addColumn<int>("lastStatus");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<quint16>>("codes");
        QTest::addColumn<QString>("warning");
        QTest::newRow("Save") << 0x08 << int(QMessageBox::Save) << QList<quint16>{0x0100} << QString();
        QTest::newRow("Cancel") << 0x08 << int(QMessageBox::Cancel) << QList<quint16>{} << QString();
        QTest::newRow("drive quiet") << 0x00 << int(QMessageBox::Save) << QList<quint16>{} << QStringLiteral("刚性等级测试结果|伺服驱动器未响应！请重新测试或关闭伺服");
    }

    void measurement()
    {
        QFETCH(int, lastStatus);
        QFETCH(int, answer);
        QFETCH(QList<quint16>, codes);
        QFETCH(QString, warning);
        Rig rig;
        rig.toState(M::MeasureState);
        QVERIFY(rig.view.measureRunning);
        rig.view.answers = {QMessageBox::StandardButton(answer)};
        rig.reply(5, 0x04, 0, 7);
        rig.reply(5, 0x04, 0, 8);
        for (quint16 level : {1, 2, 3}) {
            rig.tick();
            rig.tick();
            rig.reply(5, 0x04, 0, level);
        }
        QCOMPARE(rig.machine.levels().keys(), (QList<quint16>{1, 2, 3}));
        rig.view.sent.clear();
        rig.reply(5, quint8(lastStatus), 0, 3);
        QCOMPARE(rig.view.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(rig.view.asked.size(), int(warning.isEmpty()));
        QCOMPARE(rig.view.codes(), codes);
        QVERIFY(!rig.view.measureRunning && !rig.machine.measuring());
        if (warning.isEmpty())
            QVERIFY(rig.machine.measurementDone() && rig.view.levelParams[0] == 1);
        rig.user(M::AutoMeasurement);
        QVERIFY(rig.machine.measuring());
        rig.user(M::AutoMeasurement);
        QCOMPARE(rig.view.warnings.last(), QStringLiteral("无法执行操作|参数测量中，待测试完毕后再试"));
    }
};

QTEST_GUILESS_MAIN(TestManualRun)
#include "tst_manualrun.moc"
