#pragma once

// The manual-run controller: one state machine receives every servo and JOG
// button, every poll tick and every manual-run reply, and sends every
// manual-run command, for JOG (states 0 and 1) and the two tuning runs
// (inertia identification, state 2; automatic rigidity measurement, state 3).
// It talks to its page only through ManualRunView, so a test can drive it
// event by event without a window.

#include "mainwindow/manualrunreply.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QMessageBox>
#include <array>

using LevelResults = QMap<quint16, std::array<quint16, 8>>;

class ManualRunView
{
public:
    enum Control { ServoOnButton, ServoOffButton, CwButton, CcwButton, QueryButton, InertiaButton, MeasureButton,
                   NextStepButton, Sliders };
    struct Inputs {
        quint16 jogSpeed = 0;
        quint16 maxSpeed = 0;
        quint16 revolutions = 0;
        quint16 movementType = 0;
    };

    virtual ~ManualRunView() = default;
    // Hands a manual-run command to the link; false when it was refused.
    virtual bool send(quint16 code, quint16 v1, quint16 v2, quint16 v3) = 0;
    // Asks the drive for its manual-run settings (JOG speed, ..., control mode).
    virtual void requestSettings() = 0;
    virtual void setTimerRunning(bool running) = 0;
    virtual void setServoStyles(bool onActive, bool offActive) = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual void setInertiaButton(bool running) = 0;
    virtual void setMeasureButton(bool running) = 0;
    // Shows the reply's values; null zeroes them.
    virtual void showValues(const ManualRunReply *reply) = 0;
    virtual void showInertiaResults(const ManualRunReply &reply) = 0;
    virtual void showLevels(const LevelResults &levels) = 0;
    virtual void showLevelParams(const std::array<quint16, 8> &words) = 0;
    virtual void warn(const QString &title, const QString &text) = 0;
    virtual QMessageBox::StandardButton ask(const QString &title, const QString &text,
                                            QMessageBox::StandardButtons buttons) = 0;
    virtual void pauseComm(bool paused) = 0;
    // Whether a fault code's operation is "STOP".
    virtual bool faultStops(quint16 code) = 0;
    // The range of the drive's load inertia ratio parameter, when the loaded
    // definitions have it.
    virtual bool inertiaRatioRange(qint64 *min, qint64 *max) = 0;
    virtual Inputs inputs() = 0;
};

class ManualRunMachine
{
    Q_DECLARE_TR_FUNCTIONS(ManualRunMachine)

public:
    enum Source { User, Link, Timer };
    enum Event {
        // Link
        LinkNormal = 0,
        LinkLost = 1,
        DataReply = 2,
        // The link has just come up (after a connect or a reconnect).
        LinkUp = 3,
        // Timer
        Tick = 0,
        // User
        CwPressed = 3,
        CcwPressed = 4,
        CwReleased = 13,
        CcwReleased = 14,
        ServoOn = 21,
        ServoOff = 22,
        InertiaIdentification = 25,
        AutoMeasurement = 26,
        RigidityWrite = 27,
    };
    enum State { ServoOffState = 0, JogState = 1, IdentifyState = 2, MeasureState = 3, SpareState = 4 };

    // Manual-run command codes.
    enum Code : quint16 {
        ReadData = 0x0001,
        CodeServoOn = 0x0002,
        CodeServoOff = 0x0004,
        JogCw = 0x0008,
        JogCcw = 0x0010,
        JogStop = 0x0018,
        StartIdentification = 0x0020,
        WriteInertia = 0x0040,
        StartMeasurement = 0x0080,
        WriteLevel = 0x0100,
    };

    static constexpr int kGiveUpTicks = 31;

    explicit ManualRunMachine(ManualRunView &view);

    void handle(Source source, int event);

    // The last reply, decoded by the page before it gives DataReply.
    ManualRunReply &reply() { return m_reply; }
    const ManualRunReply &reply() const { return m_reply; }
    void replyArrived() { m_replyPending = false; }

    int state() const { return m_state; }
    bool replyPending() const { return m_replyPending; }
    quint16 controlMode() const { return m_controlMode; }
    void setControlMode(quint16 mode) { m_controlMode = mode; }
    // The next settings reply fills the page's boxes; taking it clears it.
    bool takeFillSettings();
    bool measuring() const { return m_measuring; }
    bool measurementDone() const { return m_measureDone; }
    const LevelResults &levels() const { return m_levels; }
    // A JOG button is held and the drive was told to turn.
    bool jogging() const { return m_jogging; }
    // Whether the servo is on as far as the tool knows.
    bool servoOn() const { return m_state != ServoOffState || m_jogging; }

    // Before the link ends: stops a running JOG and switches the servo off,
    // as far as they run. Returns whether any command went out.
    bool stopBeforeDisconnect();

private:
    bool send(quint16 code, quint16 v1 = 0, quint16 v2 = 0, quint16 v3 = 0);
    void switchServoOff();
    // The drive reports the servo on while the page shows it off (a drive
    // left energised by an earlier session): the page follows the drive.
    void adoptServoOn();
    void releaseJog();
    void poll();
    void stateServoOff(Source source, int event);
    void stateJog(Source source, int event);
    void stateIdentify(Source source, int event);
    void stateMeasure(Source source, int event);
    void startIdentificationRun(bool first);
    void startMeasurementRun();
    void jogReply();
    void identifyReply();
    void measureReply();

    ManualRunView &m_view;
    ManualRunReply m_reply;
    int m_state = ServoOffState;
    bool m_replyPending = false;
    quint16 m_ticks = 0;
    bool m_fillSettings = false;
    quint16 m_controlMode = 0;
    bool m_faultCheck = false;
    bool m_jogging = false;
    bool m_adoptOnReply = false;
    quint16 m_replyCount = 0;

    bool m_identifyStartPending = false;
    bool m_inertiaWritePending = false;
    quint16 m_identifyTicks = 0;
    bool m_identifyRunningSeen = false;

    bool m_measuring = false;
    quint16 m_measureReplies = 0;
    quint16 m_measureTicks = 0;
    bool m_measureDone = false;
    LevelResults m_levels;
};
