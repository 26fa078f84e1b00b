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
}

QByteArray DriveModel::handle(const QByteArray &request, qint64 nowUs)
{
    const uint8_t cmd = uint8_t(request.at(1));
    const uint8_t sub = uint8_t(request.at(2));
    const QByteArray payload = payloadOf(request);

    if (cmd == 0x0E && sub == 0x01) // idle keep-alive: echo the two bytes
        return buildFrame(cmd, sub, payload.left(2).leftJustified(2, '\0'));
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
