#include "sim/drivemodel.h"

#include "link/frame.h"

namespace {
QByteArray payloadOf(const QByteArray &frame)
{
    return frame.mid(FrameFormat::kHeaderSize, frame.size() - FrameFormat::kOverhead);
}
} // namespace

DriveModel::DriveModel(const WaveGenerator::Settings &wave)
    : m_wave(wave)
{
    fillIdentityMonitors();
}

bool DriveModel::loadParameters(const QString &path)
{
    return m_params.load(path);
}

void DriveModel::setIdentity(const DriveIdentity &identity)
{
    m_identity = identity;
    fillIdentityMonitors();
}

void DriveModel::fillIdentityMonitors()
{
    // Group 2 holds the identification entries 0x0201 to 0x0210.
    m_monitors[0x0201] = m_identity.productSerial;
    m_monitors[0x0202] = m_identity.model1;
    m_monitors[0x0203] = m_identity.model2;
    m_monitors[0x0204] = m_identity.firmware;
    for (quint16 id = 0x0205; id <= 0x0208; ++id)
        m_monitors[id] = 0;
    const QByteArray serial = m_identity.serialNumber.leftJustified(15, ' ', true);
    for (int i = 0; i < 7; ++i)
        m_monitors[quint16(0x0209 + i)] = quint32(uint8_t(serial.at(2 * i)) << 8 | uint8_t(serial.at(2 * i + 1)));
    m_monitors[0x0210] = quint32(uint8_t(serial.at(14)) << 8);
}

bool DriveModel::hasMonitor(int group, int index) const
{
    return m_monitors.contains(quint16(group << 8 | index));
}

quint32 DriveModel::monitorValue(int group, int index) const
{
    return m_monitors.value(quint16(group << 8 | index));
}

QByteArray DriveModel::readMonitorRange(const QByteArray &payload) const
{
    // first group, first index, last group, last index, count (16 bits)
    if (payload.size() < 6)
        return QByteArray();
    const auto *p = reinterpret_cast<const uint8_t *>(payload.constData());
    const quint16 first = quint16(p[0] << 8 | p[1]);
    const quint16 last = quint16(p[2] << 8 | p[3]);
    const int count = p[4] << 8 | p[5];
    // A reply must fit one frame; a request for more gets no answer.
    if (count <= 0 || count * 6 + 6 > 255)
        return QByteArray();
    QByteArray items;
    int answered = 0;
    for (auto it = m_monitors.lowerBound(first); it != m_monitors.end() && it.key() <= last && answered < count;
         ++it, ++answered) {
        items.append(char(it.key() >> 8));
        items.append(char(it.key() & 0xFF));
        const quint32 v = it.value();
        items.append(char(v >> 24));
        items.append(char(v >> 16));
        items.append(char(v >> 8));
        items.append(char(v));
    }
    // Padded to the count asked for with items the tool skips.
    for (; answered < count; ++answered)
        items.append(QByteArray::fromHex("FFFF00000000"));
    return buildFrame(0x04, 0x01, items);
}

QByteArray DriveModel::manualRunSettings() const
{
    // JOG speed, revolutions, maximum speed, movement type, control mode
    // (1: position), each a 16-bit word.
    return buildFrame(0x05, 0x02, QByteArray::fromHex("0064" "000A" "0BB8" "0000" "0001"));
}

QByteArray DriveModel::softwareVersion(uint8_t part) const
{
    const QByteArray text = part == 1 ? QByteArray("DSP V1.04 SIM") : QByteArray("FPGA V2.01 SIM");
    return buildFrame(0x0B, part, text.leftJustified(20, '\0', true));
}

QByteArray DriveModel::handle(const QByteArray &request, qint64 nowUs)
{
    const uint8_t cmd = uint8_t(request.at(1));
    const uint8_t sub = uint8_t(request.at(2));
    const QByteArray payload = payloadOf(request);

    if (cmd == 0x0E && sub == 0x01) // idle keep-alive: echo the two bytes
        return buildFrame(cmd, sub, payload.left(2).leftJustified(2, '\0'));
    if (cmd == 0x01 && sub == 0x01)
        return m_params.readRange(payload);
    if (cmd == 0x02 && sub == 0x01)
        return m_params.readList(payload);
    if (cmd == 0x03 && sub == 0x01)
        return m_params.write(payload, m_servoOn);
    if (cmd == 0x04 && sub == 0x01)
        return readMonitorRange(payload);
    if (cmd == 0x05 && sub == 0x02)
        return manualRunSettings();
    if (cmd == 0x0B && (sub == 0x01 || sub == 0x02))
        return softwareVersion(sub);
    if (cmd == 0x0A && sub == 0x04)
        return startWaveform(payload, nowUs);
    if (cmd == 0x0A && sub == 0x05) { // stop: no reply
        stopStreaming();
        return QByteArray();
    }
    if (cmd == 0x0A && sub == 0x06) { // waveform keep-alive: no reply
        m_lastKeepAliveUs = nowUs;
        return QByteArray();
    }
    return QByteArray();
}

QByteArray DriveModel::startWaveform(const QByteArray &payload, qint64 nowUs)
{
    for (int c = 0; c < 4; ++c) {
        const int at = 2 * c;
        m_channelPositions[size_t(c)] =
            payload.size() >= at + 2 ? quint16(uint8_t(payload.at(at)) << 8 | uint8_t(payload.at(at + 1))) : 0;
    }
    m_streaming = true;
    m_streamStartUs = nowUs + kFirstBlockDelayUs;
    m_lastKeepAliveUs = nowUs;
    m_blockNumber = 0;
    m_wave.restart();
    return buildFrame(0x0A, 0x04, QByteArray(2, '\0'));
}

qint64 DriveModel::nextBlockDueUs() const
{
    if (!m_streaming)
        return -1;
    const qint64 rate = m_wave.settings().rate > 0 ? m_wave.settings().rate : 1000;
    return m_streamStartUs + qint64(m_blockNumber * quint64(WaveGenerator::kSetsPerBlock) * 1000000u / quint64(rate));
}

void DriveModel::checkKeepAlive()
{
    if (m_streaming && nextBlockDueUs() > m_lastKeepAliveUs + kKeepAliveGapUs)
        stopStreaming();
}

QByteArray DriveModel::takeBlock()
{
    ++m_blockNumber;
    return m_wave.nextBlockSamples();
}

int DriveModel::skipStaleBlocks(qint64 nowUs, qint64 keepUs)
{
    int skipped = 0;
    while (m_streaming && nextBlockDueUs() >= 0 && nextBlockDueUs() < nowUs - keepUs) {
        checkKeepAlive();
        if (!m_streaming)
            break;
        takeBlock();
        ++skipped;
    }
    return skipped;
}

void DriveModel::holdStreamUntil(qint64 us)
{
    if (m_blockNumber == 0)
        m_streamStartUs = qMax(m_streamStartUs, us);
}

void DriveModel::stopStreaming()
{
    m_streaming = false;
}
