#pragma once

// How the simulated drive and its motor behave over time: servo on and off,
// JOG at the set speed, the quantities a drive measures (speed, position,
// torque, currents, bus voltage, temperatures, I/O), a fault or a drive that
// is not ready, and the two tuning runs (inertia identification, automatic
// rigidity measurement) with their results.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>
#include <array>

class DriveDynamics
{
public:
    // Drive state byte of the manual-run data reply.
    enum : quint8 { StateNotReady = 1, StateReady = 4, StateRunning = 5 };

    struct Settings {
        quint16 jogSpeed = 100;     // rpm
        quint16 revolutions = 10;   // inertia identification travel
        quint16 maxSpeed = 1000;    // rpm
        quint16 movementType = 0;
        quint16 controlMode = 1;    // 1 position, 2 speed, 3 torque
    };

    static constexpr int kPulsesPerRev = 10000;
    // Identification runs this long, measurement steps a level this often.
    static constexpr qint64 kIdentifyUs = 3000000;
    static constexpr qint64 kLevelStepUs = 500000;
    static constexpr int kLevelsMeasured = 8;

    DriveDynamics();

    // Brings every quantity up to `nowUs`.
    void advance(qint64 nowUs);

    // A manual-run command (codes 0x0001 to 0x0100); returns false for a
    // code the drive does not know.
    bool command(quint16 code, quint16 v1, quint16 v2, quint16 v3, qint64 nowUs);
    // The 52-byte payload of the manual-run data reply.
    QByteArray dataReply() const;
    // The 10-byte payload of the settings reply.
    QByteArray settingsReply() const;

    // What a monitor variable or waveform channel measures, told by its name.
    enum class Quantity {
        Zero, SpeedFeedback, SpeedCommand, TorqueCommand, TorqueFeedback, LoadRate, PositionCommand,
        PositionFeedback, PositionError, BusVoltage, CurrentU, CurrentV, CurrentQ, CurrentD, CurrentRms, DriveTemp,
        MotorTemp, InertiaRatio, DigitalIn, DigitalOut, FaultCode, SingleTurn, Angle, RunState, Power,
    };
    static Quantity quantityNamed(const QString &name);
    // A quantity in the units the definition files give (rpm, 0.1 %,
    // pulses, 0.1 V, 0.01 A, 0.1 degree C, ...).
    qint32 value(Quantity q) const;
    qint32 quantity(const QString &name) const { return value(quantityNamed(name)); }

    // The motor runs back and forth by itself (speed steps of +-300 rpm, two
    // seconds each) while the tool has not switched the servo on, so that
    // there is something to watch.
    void setDemo(bool on) { m_demo = on; }

    // The stiffness (rigidity) level the drive's gains follow. Set high, the
    // speed loop excites a lightly damped mechanical mode at
    // `resonanceHz` (0: none), which rings in the speed feedback while the
    // motor is powered.
    static constexpr int kResonanceFromLevel = 16;
    void setRigidity(int level) { m_rigidity = level; }
    int rigidity() const { return m_rigidity; }
    void setResonance(double hz) { m_resonanceHz = hz; }
    double resonanceHz() const { return m_resonanceHz; }

    Settings &settings() { return m_settings; }
    bool servoOn() const { return m_servoOn; }
    void setReady(bool ready) { m_ready = ready; }
    bool ready() const { return m_ready; }
    void setFaultCode(quint16 code) { m_faultCode = code; }
    quint16 faultCode() const { return m_faultCode; }
    // The manual-run commands taken, oldest first (the last 256).
    const QVector<quint16> &commandLog() const { return m_commandLog; }
    int jogDirection() const { return m_jogDirection; }
    bool identifying() const { return m_identifyStartUs >= 0 && !m_identifyDone; }
    bool measuring() const { return m_measureStartUs >= 0 && !m_measureDone; }

    // Results the tuning commands write (ratio in %, rigidity level); the
    // model puts them into its parameters.
    qint64 takeWrittenRatio();
    qint64 takeWrittenLevel();

private:
    void startIdentification(qint64 nowUs);
    void startMeasurement(qint64 nowUs);
    void advanceResonance(double dt, bool powered);

    Settings m_settings;
    bool m_ready = true;
    bool m_servoOn = false;
    quint16 m_faultCode = 0;
    int m_jogDirection = 0; // -1, 0, +1
    bool m_demo = false;
    qint64 m_lastUs = -1;

    // Motor state.
    double m_speed = 0;       // rpm
    double m_speedRate = 0;   // rpm/s
    double m_commandSpeed = 0;
    double m_position = 0;    // pulses
    double m_commandPosition = 0;
    double m_torque = 0;      // %
    double m_torqueCommand = 0;
    double m_busVoltage = 311.0;
    double m_driveTemp = 32.0;
    double m_motorTemp = 28.0;
    double m_loadRate = 0;    // %
    quint32 m_noise = 12345;

    // The mechanical mode: deflection (as speed, rpm) and its rate.
    int m_rigidity = 12;
    double m_resonanceHz = 350.0;
    double m_ringing = 0;
    double m_ringingRate = 0;
    quint32 m_ringNoise = 0x2545F491u;

    // Tuning runs.
    qint64 m_identifyStartUs = -1;
    bool m_identifyDone = false;
    float m_inertiaRatio = 0;
    std::array<float, 4> m_identifyResults{};
    qint64 m_measureStartUs = -1;
    bool m_measureDone = false;
    quint16 m_level = 0;
    std::array<quint16, 8> m_levelWords{};
    qint64 m_writtenRatio = -1;
    qint64 m_writtenLevel = -1;
    QVector<quint16> m_commandLog;
};
