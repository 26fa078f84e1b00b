// The manual-run state machine, event by event, without a window: servo and
// JOG, the poll and its give-up, the servo-on checks, inertia identification
// and automatic measurement.

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
    void showValues(const ManualRunReply *reply) override { lastValue = reply ? reply->value : 0, ++valueShows; }
    void showInertiaResults(const ManualRunReply &) override { ++inertiaShows; }
    void showLevels(const LevelResults &levels) override { shownLevels = levels; }
    void showLevelParams(const std::array<quint16, 8> &words) override { levelParams = words; }
    void warn(const QString &title, const QString &text) override { warnings.append(title + QLatin1Char('|') + text); }
    QMessageBox::StandardButton ask(const QString &title, const QString &, QMessageBox::StandardButtons) override
    {
        asked.append(title);
        return answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    }
    void pauseComm(bool paused) override { pauses.append(paused); }
    bool faultStops(quint16 code) override { return stopCodes.contains(code); }
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
    int settingsRequests = 0;
    bool timer = false;
    bool onActive = false, offActive = false;
    QMap<Control, bool> enabled;
    bool inertiaRunning = false, measureRunning = false;
    qint32 lastValue = 0;
    int valueShows = 0, inertiaShows = 0;
    LevelResults shownLevels;
    std::array<quint16, 8> levelParams{};
    QStringList warnings, asked;
    QList<QMessageBox::StandardButton> answers;
    QList<bool> pauses;
    QList<quint16> stopCodes;
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

    void toJog()
    {
        user(M::ServoOn);
        reply();
        view.sent.clear();
    }
    void toIdentify()
    {
        toJog();
        user(M::InertiaIdentification);
    }
    void toMeasure()
    {
        toIdentify();
        user(M::AutoMeasurement);
    }
};

} // namespace

class TestManualRun : public QObject
{
    Q_OBJECT

private slots:
    void servoOnStartsJogAndPolling()
    {
        Rig rig;
        rig.user(M::ServoOn);
        QCOMPARE(rig.machine.state(), int(M::JogState));
        QCOMPARE(rig.view.sent.size(), 1);
        QCOMPARE(rig.view.sent[0].code, quint16(0x0002));
        QCOMPARE(rig.view.sent[0].v1, quint16(200));
        QCOMPARE(rig.view.sent[0].v2, quint16(100));
        QVERIFY(rig.view.timer);
        QVERIFY(rig.view.onActive && !rig.view.offActive);
        QVERIFY(rig.view.enabled[ManualRunView::CwButton] && !rig.view.enabled[ManualRunView::ServoOnButton]);
        QCOMPARE(rig.view.settingsRequests, 1);
        QVERIFY(rig.machine.takeFillSettings());
        QVERIFY(!rig.machine.takeFillSettings());
    }

    void servoOffFromEveryState_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("servo off") << 0;
        QTest::newRow("jog") << 1;
        QTest::newRow("identification") << 2;
        QTest::newRow("measurement") << 3;
    }

    void servoOffFromEveryState()
    {
        QFETCH(int, from);
        Rig rig;
        if (from == 1)
            rig.toJog();
        else if (from == 2)
            rig.toIdentify();
        else if (from == 3)
            rig.toMeasure();
        QCOMPARE(rig.machine.state(), from);
        rig.view.sent.clear();
        rig.user(M::ServoOff);
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0004});
        QVERIFY(!rig.view.timer);
        QVERIFY(rig.view.offActive);
        QVERIFY(!rig.view.inertiaRunning && !rig.view.measureRunning);
        QVERIFY(!rig.view.enabled[ManualRunView::CwButton] && rig.view.enabled[ManualRunView::QueryButton]);
        // And servo on works again.
        rig.user(M::ServoOn);
        QCOMPARE(rig.machine.state(), int(M::JogState));
    }

    void linkLossFromEveryState_data() { servoOffFromEveryState_data(); }

    void linkLossFromEveryState()
    {
        QFETCH(int, from);
        Rig rig;
        if (from == 1)
            rig.toJog();
        else if (from == 2)
            rig.toIdentify();
        else if (from == 3)
            rig.toMeasure();
        rig.view.sent.clear();
        rig.view.linked = false;
        rig.machine.handle(M::Link, M::LinkLost);
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
        QVERIFY(rig.view.sent.isEmpty());
        QVERIFY(!rig.view.timer);
        QVERIFY(!rig.view.enabled[ManualRunView::ServoOnButton] && !rig.view.enabled[ManualRunView::CwButton]);
        QVERIFY(!rig.machine.replyPending());
        // Back on line, servo on is offered again.
        rig.view.linked = true;
        rig.machine.handle(M::Link, M::LinkNormal);
        QVERIFY(rig.view.enabled[ManualRunView::ServoOnButton]);
    }

    void jogPressAndReleaseSendOneCommandEach()
    {
        Rig rig;
        rig.toJog();
        rig.user(M::CwPressed);
        rig.user(M::CwReleased);
        rig.user(M::CcwPressed);
        rig.user(M::CcwReleased);
        QCOMPARE(rig.view.codes(), (QList<quint16>{0x0008, 0x0018, 0x0010, 0x0018}));
        // Without the servo on, JOG sends nothing.
        Rig off;
        off.user(M::CwPressed);
        QVERIFY(off.view.sent.isEmpty());
    }

    void lostRepliesAreGivenUpAfter31Ticks()
    {
        Rig rig;
        rig.toJog();
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

        // With replies, every tick polls.
        Rig answered;
        answered.toJog();
        for (int t = 0; t < 5; ++t) {
            answered.tick();
            answered.reply();
        }
        QCOMPARE(answered.view.sent.size(), 5);
    }

    void driveNotReadyAfterServoOnSwitchesItOff()
    {
        Rig rig;
        rig.user(M::ServoOn);
        rig.reply(1);
        QCOMPARE(rig.view.warnings, QStringList{QStringLiteral("JOG无法运行|系统当前非就绪状态！")});
        QCOMPARE(rig.view.sent.last().code, quint16(0x0004));
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
    }

    void stopFaultAfterServoOnSwitchesItOff()
    {
        Rig rig;
        rig.view.stopCodes = {101};
        rig.user(M::ServoOn);
        rig.reply(5, 0, 950); // an alarm that lets it run
        QVERIFY(rig.view.warnings.isEmpty());
        QCOMPARE(rig.machine.state(), int(M::JogState));
        rig.reply(5, 0, 101);
        QCOMPARE(rig.view.warnings, QStringList{QStringLiteral("JOG无法运行|系统当前有故障")});
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));

        // The check stays armed while the servo is on: a fault that comes
        // later switches it off too, with one warning.
        Rig later;
        later.view.stopCodes = {101};
        later.user(M::ServoOn);
        later.reply();
        later.reply(5, 0, 101);
        QCOMPARE(later.machine.state(), int(M::ServoOffState));
        QCOMPARE(later.view.warnings.size(), 1);
    }

    void valuesShowAfterTheSecondReply()
    {
        Rig rig;
        rig.user(M::ServoOn);
        rig.machine.reply().value = 1234;
        rig.reply(5, 0x10);
        rig.reply(5, 0x10);
        QCOMPARE(rig.view.valueShows, 0);
        rig.reply(5, 0x00);
        QCOMPARE(rig.view.valueShows, 1);
        QVERIFY(!rig.view.enabled[ManualRunView::InertiaButton]);
        rig.reply(5, 0x10);
        QVERIFY(rig.view.enabled[ManualRunView::InertiaButton]);
    }

    void identificationStopsFirstThenStartsOnTheNextTick()
    {
        Rig rig;
        rig.toIdentify();
        QCOMPARE(rig.machine.state(), int(M::IdentifyState));
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0004});
        QVERIFY(rig.view.inertiaRunning);
        rig.reply();
        rig.tick();
        QCOMPARE(rig.view.sent.last().code, quint16(0x0020));
        QCOMPARE(rig.view.sent.last().v1, quint16(1000));
        QCOMPARE(rig.view.sent.last().v2, quint16(3));
        QCOMPARE(rig.view.sent.last().v3, quint16(1));
        // A second start while the first is still to go out is refused.
        Rig early;
        early.toIdentify();
        early.user(M::InertiaIdentification);
        QCOMPARE(early.view.warnings, QStringList{QStringLiteral("无法执行操作|惯量识别中，待测试完毕后再试")});
    }

    void identificationResultIsWrittenOnYes_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }

    void identificationResultIsWrittenOnYes()
    {
        QFETCH(bool, yes);
        Rig rig;
        rig.toIdentify();
        rig.view.answers = {yes ? QMessageBox::Yes : QMessageBox::No};
        rig.reply();
        for (int t = 0; t < 3; ++t) {
            rig.tick();
            rig.reply(5, 0x01); // running
        }
        QVERIFY(rig.view.asked.isEmpty());
        rig.tick();
        rig.view.sent.clear();
        rig.reply(5, 0x02, 0, 0, 286.4f); // finished
        QCOMPARE(rig.view.asked, QStringList{QStringLiteral("惯量识别完成")});
        QCOMPARE(rig.view.pauses, (QList<bool>{true, false}));
        QVERIFY(!rig.view.timer);
        QVERIFY(!rig.view.inertiaRunning);
        QVERIFY(rig.view.enabled[ManualRunView::MeasureButton]);
        if (yes) {
            QCOMPARE(rig.view.codes(), QList<quint16>{0x0040});
            QCOMPARE(rig.view.sent[0].v2, quint16(286));
        } else {
            QVERIFY(rig.view.sent.isEmpty());
        }
        QCOMPARE(rig.machine.state(), int(M::IdentifyState));
        // The question comes once per identification.
        rig.reply(5, 0x02, 0, 0, 286.4f);
        QCOMPARE(rig.view.asked.size(), 1);
    }

    void identificationThatNeverStartsReturnsToServoOff()
    {
        Rig rig;
        rig.toIdentify();
        rig.reply();
        rig.tick();
        rig.reply();
        rig.tick();
        rig.reply();
        QCOMPARE(rig.machine.state(), int(M::IdentifyState));
        rig.tick();
        rig.reply();
        QCOMPARE(rig.machine.state(), int(M::ServoOffState));
        QVERIFY(!rig.view.inertiaRunning);
    }

    void measurementSavesTheLevelTwoBelowTheLast()
    {
        Rig rig;
        rig.toMeasure();
        QCOMPARE(rig.machine.state(), int(M::MeasureState));
        QCOMPARE(rig.view.codes(), (QList<quint16>{0x0004, 0x0080}));
        QVERIFY(rig.view.measureRunning);
        rig.view.answers = {QMessageBox::Save};
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
        QCOMPARE(rig.view.codes(), QList<quint16>{0x0100});
        QCOMPARE(rig.view.sent[0].v1, quint16(1));
        QCOMPARE(rig.view.levelParams[0], quint16(1));
        QVERIFY(rig.machine.measurementDone());
        QVERIFY(!rig.view.measureRunning);
    }

    void measurementCancelledWritesNothing()
    {
        Rig rig;
        rig.toMeasure();
        rig.view.answers = {QMessageBox::Cancel};
        for (int t = 0; t < 6; ++t)
            rig.tick();
        rig.view.sent.clear();
        rig.reply(5, 0x08, 0, 12);
        QCOMPARE(rig.view.asked.size(), 1);
        QVERIFY(rig.view.sent.isEmpty());
    }

    void measurementWithoutAnswerIsReported()
    {
        Rig rig;
        rig.toMeasure();
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

    void shortRepliesLeaveTheFieldsTheyLack()
    {
        ManualRunReply r;
        r.faultCode = 77;
        r.level = 9;
        r.decode(QByteArray::fromHex("0511000000000005"));
        QCOMPARE(int(r.driveState), 5);
        QCOMPARE(int(r.status), 0x11);
        QCOMPARE(r.value, qint32(5));
        QCOMPARE(r.faultCode, quint16(77));
        QCOMPARE(r.level, quint16(9));
        QByteArray full(52, '\0');
        full[10] = char(0x43); // 286.5f = 0x438F4000
        full[11] = char(0x8F);
        full[12] = char(0x40);
        full[34] = 0;
        full[35] = 12;
        r.decode(full);
        QCOMPARE(r.inertiaRatio, 286.5f);
        QCOMPARE(r.level, quint16(12));
        QVERIFY(!r.ready() || r.driveState >= 4);
    }
};

QTEST_GUILESS_MAIN(TestManualRun)
#include "tst_manualrun.moc"
