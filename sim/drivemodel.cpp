#include "sim/drivemodel.h"
#include "mainwindow/paramfile.h"

#include "definitions/codes.h"
#include "definitions/definitions.h"
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
    Definitions defs;
    readParameterFile(path, defs);
    m_monitorNames.clear();
    // The tool lists the named channels of keys 0 to 256 in key order; a
    // start command selects them by their place in that list.
    QMap<int, QString> byKey;
    for (const WaveChannelRecord &channel : defs.waveChannels) {
        bool ok = false;
        const int key = channel.WaveChIndex.toInt(&ok);
        if (ok && key >= 0 && key <= 256 && QString::number(key) == channel.WaveChIndex
            && !channel.WaveChName.isEmpty())
            byKey.insert(key, channel.WaveChName);
    }
    m_channelNames = byKey.values();
    for (int g = 0; g < 2; ++g) {
        for (const UnDisplayRecord &u : defs.unGroups[size_t(g)]) {
            int group, index;
            if (Codes::splitNumbers(u.UnDisplayIndex, &group, &index) && index < 256)
                m_monitorNames.insert(quint16(group << 8 | index), u.UnDisplayName);
        }
    }
    const bool loaded = m_params.load(defs, path);
    m_factoryValues.clear();
    for (auto it = m_params.entries().cbegin(); it != m_params.entries().cend(); ++it)
        m_factoryValues.insert(it.key(), it->value);
    return loaded;
}

int DriveModel::loadValues(const QString &path)
{
    const ParamFile::Contents file = ParamFile::read(path);
    int taken = 0;
    for (auto it = file.values.cbegin(); it != file.values.cend(); ++it) {
        int group, index;
        bool ok = false;
        const qint64 value = it.value().toLongLong(&ok);
        if (ok && Codes::splitNumbers(it.key(), &group, &index) && m_params.has(group, index)) {
            m_params.setValue(group, index, value);
            ++taken;
        }
    }
    return taken;
}

void DriveModel::setServoOn(bool on)
{
    if (on && !m_dynamics.servoOn())
        m_dynamics.command(0x0002, m_dynamics.settings().jogSpeed, 100, 0, 0);
    else if (!on)
        m_dynamics.command(0x0004, 0, 0, 0, 0);
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
    const quint16 key = quint16(group << 8 | index);
    return m_monitors.contains(key) || m_monitorNames.contains(key);
}

quint32 DriveModel::monitorValue(int group, int index) const
{
    const quint16 key = quint16(group << 8 | index);
    auto name = m_monitorNames.constFind(key);
    if (name != m_monitorNames.constEnd())
        return quint32(m_dynamics.quantity(*name));
    return m_monitors.value(key);
}

QByteArray DriveModel::readMonitorRange(const QByteArray &payload, qint64 nowUs)
{
    m_dynamics.advance(nowUs);
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
    // The identification entries and the variables of the definition file.
    QMap<quint16, bool> keys;
    for (auto it = m_monitors.lowerBound(first); it != m_monitors.end() && it.key() <= last; ++it)
        keys.insert(it.key(), true);
    for (auto it = m_monitorNames.lowerBound(first); it != m_monitorNames.end() && it.key() <= last; ++it)
        keys.insert(it.key(), true);
    QByteArray items;
    int answered = 0;
    for (auto it = keys.cbegin(); it != keys.cend() && answered < count; ++it, ++answered) {
        items.append(char(it.key() >> 8));
        items.append(char(it.key() & 0xFF));
        const quint32 v = monitorValue(it.key() >> 8, it.key() & 0xFF);
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

QByteArray DriveModel::manualRun(const QByteArray &payload, qint64 nowUs)
{
    const auto word = [&payload](int at) {
        return payload.size() >= at + 2 ? quint16(uint8_t(payload.at(at)) << 8 | uint8_t(payload.at(at + 1))) : quint16(0);
    };
    m_dynamics.command(word(0), word(2), word(4), word(6), nowUs);
    // Tuning results written by the tool land in the drive's parameters.
    const qint64 ratio = m_dynamics.takeWrittenRatio();
    if (ratio >= 0)
        m_params.setByName(QStringLiteral("负载惯量比"), ratio);
    const qint64 level = m_dynamics.takeWrittenLevel();
    if (level >= 0)
        m_params.setByName(QStringLiteral("刚性等级"), level);
    return buildFrame(0x05, 0x01, m_dynamics.dataReply());
}

QByteArray DriveModel::softwareVersion(uint8_t part) const
{
    const QByteArray text = part == 1 ? QByteArray("DSP V1.04 SIM") : QByteArray("FPGA V2.01 SIM");
    return buildFrame(0x0B, part, text.leftJustified(20, '\0', true));
}

bool DriveIdentity::parseStamps(const QString &text, Stamps *stamps)
{
    if (text == QLatin1String("equal"))
        *stamps = Stamps::Equal;
    else if (text == QLatin1String("different"))
        *stamps = Stamps::Different;
    else if (text == QLatin1String("zero"))
        *stamps = Stamps::Zero;
    else
        return false;
    return true;
}

QByteArray DriveModel::versionStamps(uint8_t sub)
{
    // Length, EEPROM stamp (yy mm dd hh mm ss), length, default stamp.
    static const uint8_t eeprom[8] = {0x01, 0x20, 26, 12, 1, 10, 30, 0};
    static const uint8_t older[8] = {0x01, 0x1C, 26, 11, 15, 8, 0, 0};
    QByteArray payload(16, '\0');
    // Zero stamps: a drive set up to refuse, or a running drive asked for a
    // factory reset, which it cannot do.
    const bool refused = m_identity.stamps == DriveIdentity::Stamps::Zero || (sub == 0x02 && m_dynamics.servoOn());
    if (sub == 0x02 && !refused) {
        // The defaults go back into the parameters, and the EEPROM holds
        // the defaults' version from now on.
        for (auto it = m_factoryValues.cbegin(); it != m_factoryValues.cend(); ++it)
            m_params.setValue(it.key() >> 8, it.key() & 0xFF, it.value());
        m_identity.stamps = DriveIdentity::Stamps::Equal;
    }
    if (!refused) {
        const uint8_t *defaults = m_identity.stamps == DriveIdentity::Stamps::Equal ? eeprom : older;
        payload = QByteArray(reinterpret_cast<const char *>(eeprom), 8)
            + QByteArray(reinterpret_cast<const char *>(defaults), 8);
    }
    return buildFrame(0x0C, sub, payload);
}

QByteArray DriveModel::handle(const QByteArray &request, qint64 nowUs)
{
    const uint8_t cmd = uint8_t(request.at(1));
    const uint8_t sub = uint8_t(request.at(2));
    const QByteArray payload = payloadOf(request);
    syncRigidity();

    if (cmd == 0x0E && sub == 0x01) // idle keep-alive: echo the two bytes
        return buildFrame(cmd, sub, payload.left(2).leftJustified(2, '\0'));
    if (cmd == 0x01 && sub == 0x01)
        return m_params.readRange(payload);
    if (cmd == 0x02 && sub == 0x01)
        return m_params.readList(payload);
    if (cmd == 0x03 && sub == 0x01)
        return m_params.write(payload, m_dynamics.servoOn());
    if (cmd == 0x04 && sub == 0x01)
        return readMonitorRange(payload, nowUs);
    if (cmd == 0x05 && sub == 0x01)
        return manualRun(payload, nowUs);
    if (cmd == 0x05 && sub == 0x02)
        return buildFrame(0x05, 0x02, m_dynamics.settingsReply());
    if (cmd == 0x0B && (sub == 0x01 || sub == 0x02))
        return softwareVersion(sub);
    if (cmd == 0x0C && (sub == 0x01 || sub == 0x02))
        return versionStamps(sub);
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
        m_streamed[size_t(c)] = DriveDynamics::quantityNamed(m_channelNames.value(m_channelPositions[size_t(c)]));
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
    if (patternMode()) {
        ++m_blockNumber;
        return m_wave.nextBlockSamples();
    }
    syncRigidity();
    // What the motor does at each sample's time.
    const qint64 start = nextBlockDueUs();
    const double periodUs = 1e6 / double(m_wave.settings().rate > 0 ? m_wave.settings().rate : 1000);
    ++m_blockNumber;
    QByteArray samples(WaveGenerator::kSetsPerBlock * WaveGenerator::kSetBytes, '\0');
    char *out = samples.data();
    for (int k = 0; k < WaveGenerator::kSetsPerBlock; ++k) {
        m_dynamics.advance(start + qint64(k * periodUs));
        for (int c = 0; c < 4; ++c) {
            const quint16 v = quint16(qint16(qBound(-32768, m_dynamics.value(m_streamed[size_t(c)]), 32767)));
            *out++ = char(v >> 8);
            *out++ = char(v & 0xFF);
        }
    }
    return samples;
}

void DriveModel::syncRigidity()
{
    m_dynamics.setRigidity(int(m_params.valueByName(QStringLiteral("刚性等级"), m_dynamics.rigidity())));
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
