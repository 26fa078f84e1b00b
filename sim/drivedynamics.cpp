#include "sim/drivedynamics.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {
constexpr double kAccelRpmPerS = 6000.0;
constexpr double kSpeedLoopDamping = 0.5;
constexpr double kLoopAccelRpmPerS = 20000.0; // what the powered motor can do
constexpr double kInertiaRatio = 2.864; // the load the identification finds, as a multiple
constexpr int kFirstLevel = 10;

void putU16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}

void putU32(QByteArray &b, int at, quint32 v)
{
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}

void putFloat(QByteArray &b, int at, float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    putU32(b, at, bits);
}
} // namespace

DriveDynamics::DriveDynamics() = default;

void DriveDynamics::advance(qint64 nowUs)
{
    if (m_lastUs < 0 || nowUs <= m_lastUs) {
        if (m_lastUs < 0)
            m_lastUs = nowUs;
        return;
    }
    const double dt = qMin(double(nowUs - m_lastUs) / 1e6, 1.0);
    m_lastUs = nowUs;

    // Speed command: JOG, or the back-and-forth of an identification.
    double target = 0;
    if (m_servoOn && m_ready) {
        if (identifying()) {
            const double t = double(nowUs - m_identifyStartUs) / 1e6;
            target = m_settings.maxSpeed * std::sin(2 * M_PI * t / 1.5);
        } else {
            target = m_jogDirection * double(m_settings.jogSpeed);
        }
    } else if (m_demo && m_ready) {
        // Steps of +-300 rpm, two seconds each, as a step test on a bench.
        target = (nowUs / 2000000) % 2 ? -300.0 : 300.0;
    }
    m_commandSpeed = target;
    const bool powered = m_servoOn || (m_demo && m_ready);
    const double before = m_speed;
    if (powered) {
        // The closed speed loop: a second-order response, a little
        // underdamped (some 15% overshoot on a step), whose bandwidth rises
        // with the stiffness level, within the motor's acceleration limit.
        // Integrated in steps of at most 0.2 ms, so that a second between
        // two monitor reads moves the motor as a stream of samples does.
        const double wn = 2 * M_PI * (6.0 + 0.5 * m_rigidity);
        const int steps = int(std::ceil(dt / 0.0002));
        const double h = dt / steps;
        for (int i = 0; i < steps; ++i) {
            m_speedRate += (wn * wn * (target - m_speed) - 2 * kSpeedLoopDamping * wn * m_speedRate) * h;
            m_speedRate = qBound(-kLoopAccelRpmPerS, m_speedRate, kLoopAccelRpmPerS);
            m_speed += m_speedRate * h;
        }
    } else {
        // Without power the drive brakes the motor to a stop.
        const double step = kAccelRpmPerS * dt;
        m_speed += qBound(-step, target - m_speed, step);
        m_speedRate = 0;
    }
    const double accel = (m_speed - before) / dt; // rpm/s
    m_position += m_speed / 60.0 * kPulsesPerRev * dt;
    m_commandPosition += m_commandSpeed / 60.0 * kPulsesPerRev * dt;

    // Torque: acceleration of the load plus friction, with a little noise.
    m_noise = m_noise * 1664525u + 1013904223u;
    const double noise = (double(m_noise >> 8) / double(1 << 24) - 0.5) * 0.6;
    const double friction = std::abs(m_speed) > 1 ? std::copysign(3.0 + std::abs(m_speed) * 0.002, m_speed) : 0;
    m_torqueCommand = powered ? accel * 0.004 * kInertiaRatio + friction : 0;
    m_torque = powered ? m_torqueCommand + noise : 0;

    // Heat and the bus sag a little under load.
    const double load = std::abs(m_torque);
    m_loadRate += (load - m_loadRate) * qMin(1.0, dt / 2.0);
    m_driveTemp += ((m_servoOn ? 38.0 : 32.0) + load * 0.1 - m_driveTemp) * dt / 60.0;
    m_motorTemp += ((m_servoOn ? 34.0 : 28.0) + load * 0.15 - m_motorTemp) * dt / 90.0;
    m_busVoltage = 311.0 - load * 0.05 + noise;
    advanceResonance(dt, powered);

    if (identifying() && nowUs - m_identifyStartUs >= kIdentifyUs) {
        m_identifyDone = true;
        m_inertiaRatio = float(kInertiaRatio * 100.0);
        m_identifyResults = {{2.6f, 0.8f, 118.5f, 1.2f}};
    }
    if (measuring()) {
        const qint64 steps = (nowUs - m_measureStartUs) / kLevelStepUs;
        // The drive measures on its own: however seldom it is asked, it ends
        // on the last level.
        m_measureDone = steps >= kLevelsMeasured;
        m_level = quint16(kFirstLevel + qMin<qint64>(steps, kLevelsMeasured - 1));
        // Gains rise with the level; overshoot and settling fall, until
        // vibration sets in at the top.
        const int l = m_level;
        m_levelWords = {{quint16(l * 30), quint16(l * 45), quint16(400 - l * 12), quint16(20 + l * 3),
                         quint16(qMax(0, 40 - l * 2)), quint16(qMax(5, 120 - l * 6)),
                         quint16(l > kFirstLevel + 5 ? (l - kFirstLevel - 5) * 15 : 2), quint16(l)}};
    }
}

void DriveDynamics::advanceResonance(double dt, bool powered)
{
    constexpr double kDamping = 0.01;
    const double w0 = 2 * M_PI * m_resonanceHz;
    if (w0 <= 0) {
        m_ringing = m_ringingRate = 0;
        return;
    }
    // The free ring-down over dt, solved exactly, so that any step (a sample
    // period at 1 or 10 kHz, or a second between monitor reads) stays stable.
    const double sigma = kDamping * w0;
    const double wd = w0 * std::sqrt(1 - kDamping * kDamping);
    const double decay = std::exp(-sigma * dt);
    const double c = std::cos(wd * dt);
    const double s = std::sin(wd * dt);
    const double x = m_ringing;
    const double v = m_ringingRate;
    m_ringing = decay * (x * c + (v + sigma * x) / wd * s);
    m_ringingRate = decay * (v * c - (w0 * w0 * x + sigma * v) / wd * s);
    // The closed speed loop kicks the mode with its noise, the harder the
    // higher the gains: nothing below the threshold level, about 7 rpm RMS
    // eight levels above it.
    const int above = m_rigidity - kResonanceFromLevel + 1;
    if (!powered || above <= 0)
        return;
    m_ringNoise ^= m_ringNoise << 13;
    m_ringNoise ^= m_ringNoise >> 17;
    m_ringNoise ^= m_ringNoise << 5;
    const double kick = double(m_ringNoise) / 4294967295.0 * 2 - 1;
    // Scaled with sqrt(dt): the same ringing at every sample rate.
    m_ringingRate += kick * above / 9.0 * 2.5e5 * std::sqrt(dt);
}

bool DriveDynamics::command(quint16 code, quint16 v1, quint16 v2, quint16 v3, qint64 nowUs)
{
    advance(nowUs);
    if (m_commandLog.size() >= 256)
        m_commandLog.removeFirst();
    m_commandLog.append(code);
    switch (code) {
    case 0x0001: // read data
        return true;
    case 0x0002: // servo on
        if (!m_ready)
            return true; // the reply's drive state tells the tool
        m_servoOn = true;
        m_settings.jogSpeed = v1;
        m_jogDirection = 0;
        return true;
    case 0x0004: // servo off (the tool also sends it to stop before an identification)
        m_servoOn = false;
        m_jogDirection = 0;
        return true;
    case 0x0008:
        m_jogDirection = 1;
        return true;
    case 0x0010:
        m_jogDirection = -1;
        return true;
    case 0x0018:
        m_jogDirection = 0;
        return true;
    case 0x0020:
        m_settings.maxSpeed = v1;
        m_settings.revolutions = v2;
        m_settings.movementType = v3;
        m_servoOn = m_ready;
        startIdentification(nowUs);
        return true;
    case 0x0040:
        m_writtenRatio = v2;
        return true;
    case 0x0080:
        m_servoOn = m_ready;
        startMeasurement(nowUs);
        return true;
    case 0x0100:
        m_writtenLevel = v1;
        return true;
    default:
        return false;
    }
}

void DriveDynamics::startIdentification(qint64 nowUs)
{
    m_identifyStartUs = nowUs;
    m_identifyDone = false;
    m_jogDirection = 0;
}

void DriveDynamics::startMeasurement(qint64 nowUs)
{
    m_measureStartUs = nowUs;
    m_measureDone = false;
    m_level = kFirstLevel;
    m_levelWords = {};
}

QByteArray DriveDynamics::dataReply() const
{
    QByteArray b(52, '\0');
    quint8 state = !m_ready ? StateNotReady : (m_servoOn ? StateRunning : StateReady);
    b[0] = char(state);
    quint8 status = 0;
    if (m_identifyStartUs >= 0)
        status |= m_identifyDone ? 0x02 : 0x01;
    if (m_measureStartUs >= 0)
        status |= m_measureDone ? 0x08 : 0x04;
    if (m_servoOn && m_ready && m_settings.controlMode == 1 && !identifying() && !measuring())
        status |= 0x10;
    b[1] = char(status);
    putU32(b, 4, quint32(qint32(std::lround(m_position))));
    putU16(b, 8, m_faultCode);
    putFloat(b, 10, m_inertiaRatio);
    for (int i = 0; i < 4; ++i)
        putFloat(b, 14 + 4 * i, m_identifyResults[size_t(i)]);
    putU16(b, 34, m_level);
    for (int i = 0; i < 8; ++i)
        putU16(b, 36 + 2 * i, m_levelWords[size_t(i)]);
    return b;
}

QByteArray DriveDynamics::settingsReply() const
{
    QByteArray b(10, '\0');
    putU16(b, 0, m_settings.jogSpeed);
    putU16(b, 2, m_settings.revolutions);
    putU16(b, 4, m_settings.maxSpeed);
    putU16(b, 6, m_settings.movementType);
    putU16(b, 8, m_settings.controlMode);
    return b;
}

DriveDynamics::Quantity DriveDynamics::quantityNamed(const QString &name)
{
    const auto has = [&name](const char *word) { return name.contains(QString::fromUtf8(word)); };
    if (has("位置指令速度") || has("速度指令"))
        return Quantity::SpeedCommand;
    if (has("转速") || has("速度反馈"))
        return Quantity::SpeedFeedback;
    if (has("转矩指令"))
        return Quantity::TorqueCommand;
    if (has("负载率"))
        return Quantity::LoadRate;
    if (has("转矩"))
        return Quantity::TorqueFeedback;
    if (has("位置指令"))
        return Quantity::PositionCommand;
    if (has("位置偏差"))
        return Quantity::PositionError;
    if (has("位置") || has("绝对位置"))
        return Quantity::PositionFeedback;
    if (has("母线电压"))
        return Quantity::BusVoltage;
    if (has("U相电流"))
        return Quantity::CurrentU;
    if (has("V相电流"))
        return Quantity::CurrentV;
    if (has("q轴电流"))
        return Quantity::CurrentQ;
    if (has("d轴电流"))
        return Quantity::CurrentD;
    if (has("电流有效值"))
        return Quantity::CurrentRms;
    if (has("驱动器温度") || has("散热器"))
        return Quantity::DriveTemp;
    if (has("电机温度"))
        return Quantity::MotorTemp;
    if (has("惯量比"))
        return Quantity::InertiaRatio;
    if (has("DI"))
        return Quantity::DigitalIn;
    if (has("DO"))
        return Quantity::DigitalOut;
    if (has("故障") || has("告警码"))
        return Quantity::FaultCode;
    if (has("单圈"))
        return Quantity::SingleTurn;
    if (has("电角度") || has("机械角度"))
        return Quantity::Angle;
    if (has("运行状态"))
        return Quantity::RunState;
    if (has("功率"))
        return Quantity::Power;
    return Quantity::Zero;
}

qint32 DriveDynamics::value(Quantity q) const
{
    const double current = m_torque * 0.05; // 5 A at 100 % torque
    const double turn = std::fmod(std::abs(m_position), double(kPulsesPerRev)) / kPulsesPerRev;
    switch (q) {
    case Quantity::Zero: return 0;
    case Quantity::SpeedFeedback: return qint32(std::lround(m_speed + m_ringing));
    case Quantity::SpeedCommand: return qint32(std::lround(m_commandSpeed));
    case Quantity::TorqueCommand: return qint32(std::lround(m_torqueCommand * 10));
    case Quantity::TorqueFeedback: return qint32(std::lround(m_torque * 10));
    case Quantity::LoadRate: return qint32(std::lround(m_loadRate * 10));
    case Quantity::PositionCommand: return qint32(std::lround(m_commandPosition));
    case Quantity::PositionFeedback: return qint32(std::lround(m_position));
    case Quantity::PositionError: return qint32(std::lround(m_commandPosition - m_position));
    case Quantity::BusVoltage: return qint32(std::lround(m_busVoltage * 10));
    case Quantity::CurrentU: return qint32(std::lround(current * std::sin(2 * M_PI * turn * 4) * 100));
    case Quantity::CurrentV: return qint32(std::lround(current * std::sin(2 * M_PI * turn * 4 - 2.094) * 100));
    case Quantity::CurrentQ: return qint32(std::lround(current * 100));
    case Quantity::CurrentD: return qint32(std::lround(current * 4)); // a little d-axis current under load
    case Quantity::CurrentRms: return qint32(std::lround(std::abs(current) * 70.7));
    case Quantity::DriveTemp: return qint32(std::lround(m_driveTemp * 10));
    case Quantity::MotorTemp: return qint32(std::lround(m_motorTemp));
    case Quantity::InertiaRatio: return qint32(std::lround(m_inertiaRatio > 0 ? m_inertiaRatio : 100));
    case Quantity::DigitalIn: return m_servoOn ? 0x0001 : 0x0000; // DI1: servo enable
    case Quantity::DigitalOut: return m_servoOn && m_ready ? 0x0003 : (m_ready ? 0x0001 : 0); // ready, running
    case Quantity::FaultCode: return m_faultCode;
    case Quantity::SingleTurn: return qint32(turn * kPulsesPerRev);
    case Quantity::Angle: return qint32(turn * 3600);
    case Quantity::RunState: return (m_ready ? 0x01 : 0) | (m_servoOn ? 0x02 : 0) | (m_jogDirection != 0 ? 0x04 : 0);
    case Quantity::Power: return qint32(std::lround(m_torque * std::abs(m_speed) * 0.0025));
    }
    return 0;
}

qint64 DriveDynamics::takeWrittenRatio()
{
    const qint64 v = m_writtenRatio;
    m_writtenRatio = -1;
    return v;
}

qint64 DriveDynamics::takeWrittenLevel()
{
    const qint64 v = m_writtenLevel;
    m_writtenLevel = -1;
    return v;
}
