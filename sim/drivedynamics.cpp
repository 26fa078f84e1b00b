#include "sim/drivedynamics.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {
constexpr double kAccelRpmPerS = 6000.0;
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
    if (m_lastUs < 0) {
        m_lastUs = nowUs;
        return;
    }
    const double dt = qBound(0.0, double(nowUs - m_lastUs) / 1e6, 1.0);
    m_lastUs = nowUs;
    if (dt <= 0)
        return;

    // Speed command: JOG, or the back-and-forth of an identification.
    double target = 0;
    if (m_servoOn && m_ready) {
        if (identifying()) {
            const double t = double(nowUs - m_identifyStartUs) / 1e6;
            target = m_settings.maxSpeed * std::sin(2 * M_PI * t / 1.5);
        } else {
            target = m_jogDirection * double(m_settings.jogSpeed);
        }
    }
    m_commandSpeed = target;
    const double step = kAccelRpmPerS * dt;
    const double before = m_speed;
    m_speed += qBound(-step, target - m_speed, step);
    const double accel = (m_speed - before) / dt; // rpm/s
    m_position += m_speed / 60.0 * kPulsesPerRev * dt;
    m_commandPosition += m_commandSpeed / 60.0 * kPulsesPerRev * dt;

    // Torque: acceleration of the load plus friction, with a little noise.
    m_noise = m_noise * 1664525u + 1013904223u;
    const double noise = (double(m_noise >> 8) / double(1 << 24) - 0.5) * 0.6;
    const double friction = std::abs(m_speed) > 1 ? std::copysign(3.0 + std::abs(m_speed) * 0.002, m_speed) : 0;
    m_torque = m_servoOn ? accel * 0.004 * kInertiaRatio + friction + noise : 0;

    // Heat and the bus sag a little under load.
    const double load = std::abs(m_torque);
    m_loadRate += (load - m_loadRate) * qMin(1.0, dt / 2.0);
    m_driveTemp += ((m_servoOn ? 38.0 : 32.0) + load * 0.1 - m_driveTemp) * dt / 60.0;
    m_motorTemp += ((m_servoOn ? 34.0 : 28.0) + load * 0.15 - m_motorTemp) * dt / 90.0;
    m_busVoltage = 311.0 - load * 0.05 + noise;

    if (identifying() && nowUs - m_identifyStartUs >= kIdentifyUs) {
        m_identifyDone = true;
        m_inertiaRatio = float(kInertiaRatio * 100.0);
        m_identifyResults = {{2.6f, 0.8f, 118.5f, 1.2f}};
    }
    if (measuring()) {
        const qint64 steps = (nowUs - m_measureStartUs) / kLevelStepUs;
        if (steps >= kLevelsMeasured) {
            m_measureDone = true;
        } else {
            m_level = quint16(kFirstLevel + steps);
            // Gains rise with the level; overshoot and settling fall, until
            // vibration sets in at the top.
            const int l = m_level;
            m_levelWords = {{quint16(l * 30), quint16(l * 45), quint16(400 - l * 12), quint16(20 + l * 3),
                             quint16(qMax(0, 40 - l * 2)), quint16(qMax(5, 120 - l * 6)),
                             quint16(l > kFirstLevel + 5 ? (l - kFirstLevel - 5) * 15 : 2), quint16(l)}};
        }
    }
}

bool DriveDynamics::command(quint16 code, quint16 v1, quint16 v2, quint16 v3, qint64 nowUs)
{
    advance(nowUs);
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

qint32 DriveDynamics::quantity(const QString &name) const
{
    const auto has = [&name](const char *word) { return name.contains(QString::fromUtf8(word)); };
    const double current = m_torque * 0.05; // A at 100 % torque: 5 A
    const double angle = std::fmod(std::abs(m_position), double(kPulsesPerRev)) / kPulsesPerRev;
    if (has("速度指令") || has("位置指令速度"))
        return qint32(std::lround(m_commandSpeed));
    if (has("转速") || has("速度反馈"))
        return qint32(std::lround(m_speed));
    if (has("转矩") || has("负载率"))
        return qint32(std::lround((has("负载率") ? m_loadRate : m_torque) * 10));
    if (has("位置指令"))
        return qint32(std::lround(m_commandPosition));
    if (has("位置偏差"))
        return qint32(std::lround(m_commandPosition - m_position));
    if (has("位置") || has("绝对位置"))
        return qint32(std::lround(m_position));
    if (has("母线电压"))
        return qint32(std::lround(m_busVoltage * 10));
    if (has("U相电流"))
        return qint32(std::lround(current * std::sin(2 * M_PI * angle * 4) * 100));
    if (has("V相电流"))
        return qint32(std::lround(current * std::sin(2 * M_PI * angle * 4 - 2.094) * 100));
    if (has("q轴电流") || has("电流有效值"))
        return qint32(std::lround(std::abs(current) * 100));
    if (has("驱动器温度") || has("散热器"))
        return qint32(std::lround(m_driveTemp * 10));
    if (has("电机温度"))
        return qint32(std::lround(m_motorTemp));
    if (has("惯量比"))
        return qint32(std::lround(m_inertiaRatio > 0 ? m_inertiaRatio : 100));
    if (has("DI"))
        return m_servoOn ? 0x0001 : 0x0000; // DI1: servo enable
    if (has("DO"))
        return m_servoOn && m_ready ? 0x0003 : (m_ready ? 0x0001 : 0); // ready, servo on
    if (has("故障") || has("告警码"))
        return m_faultCode;
    if (has("单圈") || has("电角度") || has("机械角度"))
        return qint32(angle * (has("单圈") ? kPulsesPerRev : 3600));
    if (has("运行状态"))
        return (m_ready ? 0x01 : 0) | (m_servoOn ? 0x02 : 0) | (m_jogDirection != 0 ? 0x04 : 0);
    if (has("功率"))
        return qint32(std::lround(m_torque * std::abs(m_speed) * 0.0025));
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
