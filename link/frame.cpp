#include "link/frame.h"

#include <algorithm>

#include <QString>
#include <array>
#include <cstring>

namespace {

struct TableRow {
    uint8_t cmd, subCmd, txLen, rxLen;
};

constexpr std::array<TableRow, Cmd::Count> kTable = {{
    {0x0E, 0x01, 8, 8},    // 0  idle keep-alive
    {0x01, 0x01, 12, 22},  // 1  read a range of parameters
    {0x02, 0x01, 8, 134},  // 2  read listed parameters
    {0x03, 0x01, 10, 10},  // 3  write parameters
    {0x04, 0x01, 12, 70},  // 4  read monitor variables
    {0x05, 0x01, 14, 58},  // 5  manual run command and data
    {0x05, 0x02, 10, 16},  // 6  control mode query
    {0x0A, 0x04, 30, 8},   // 7  start waveform sampling
    {0x0A, 0x05, 8, 8},    // 8  stop waveform sampling (no reply)
    {0x0A, 0x06, 8, 8},    // 9  waveform keep-alive (no reply)
    {0x0B, 0x01, 8, 26},   // 10 software version, first part
    {0x0B, 0x02, 8, 26},   // 11 software version, second part
    {0x0C, 0x01, 8, 22},   // 12 version check
    {0x0C, 0x02, 8, 22},   // 13 version check
    {0x04, 0x01, 12, 102}, // 14 device information (monitor group 2)
    {0x0F, 0x01, 10, 10},  // 15 waveform trigger acknowledgement
    {0x0F, 0x02, 8, 8},    // 16 waveform state acknowledgement
    {0x0F, 0x03, 10, 10},  // 17 firmware data packet
    {0x0F, 0x04, 8, 8},    // 18 waveform state acknowledgement
}};

std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        table[size_t(i)] = crc;
    }
    return table;
}

const std::array<quint16, 256> kCrcTable = makeCrcTable();

} // namespace

Frame commandTable[Cmd::Count] = {
    initialCommandRecord(0),  initialCommandRecord(1),  initialCommandRecord(2),
    initialCommandRecord(3),  initialCommandRecord(4),  initialCommandRecord(5),
    initialCommandRecord(6),  initialCommandRecord(7),  initialCommandRecord(8),
    initialCommandRecord(9),  initialCommandRecord(10), initialCommandRecord(11),
    initialCommandRecord(12), initialCommandRecord(13), initialCommandRecord(14),
    initialCommandRecord(15), initialCommandRecord(16), initialCommandRecord(17),
    initialCommandRecord(18),
};

Frame initialCommandRecord(int index)
{
    Frame f;
    if (index < 0 || index >= Cmd::Count)
        return f;
    const TableRow &row = kTable[size_t(index)];
    f.cmd = row.cmd;
    f.subCmd = row.subCmd;
    f.txLen = row.txLen;
    f.rxLen = row.rxLen;
    f.index = uint8_t(index);
    return f;
}

void loadRequest(int index, RequestBuffers &buffers, const QByteArray &payload, int rxLen)
{
    auto &buffer = buffers[size_t(index)];
    const int length = std::min(int(payload.size()), int(buffer.size()) - FrameFormat::kOverhead);
    std::copy(payload.constBegin(), payload.constBegin() + length, buffer.begin());
    Frame &record = commandTable[index];
    record.txData = buffer.data();
    record.txLen = uint8_t(length + FrameFormat::kOverhead);
    if (rxLen >= 0)
        record.rxLen = uint8_t(rxLen);
}

void resetCommandTable()
{
    for (int i = 0; i < Cmd::Count; ++i)
        commandTable[i] = initialCommandRecord(i);
}

quint16 crc16(const uint8_t *bytes, int count)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < count; ++i)
        crc = quint16((crc >> 8) ^ kCrcTable[(crc ^ bytes[i]) & 0xFF]);
    return crc;
}

QByteArray requestPayload(const Frame &record)
{
    const int length = int(record.txLen) - FrameFormat::kOverhead;
    if (length <= 0)
        return QByteArray();
    if (!record.txData)
        return QByteArray(length, '\0');
    return QByteArray(reinterpret_cast<const char *>(record.txData), length);
}

static void appendChecksum(QByteArray &frame)
{
    const quint16 crc = crc16(frame);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
}

QByteArray buildRequest(const Frame &record, const QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(FrameFormat::kOverhead + payload.size());
    frame.append(char(record.head));
    frame.append(char(record.cmd));
    frame.append(char(record.subCmd));
    frame.append(char(record.txLen));
    frame.append(payload);
    appendChecksum(frame);
    return frame;
}

QByteArray buildFrame(uint8_t cmd, uint8_t subCmd, const QByteArray &payload)
{
    const int total = payload.size() + FrameFormat::kOverhead;
    Q_ASSERT(total <= FrameFormat::kMaxLength);
    QByteArray frame;
    frame.reserve(total);
    frame.append(char(FrameFormat::kHead));
    frame.append(char(cmd));
    frame.append(char(subCmd));
    frame.append(char(uint8_t(total)));
    frame.append(payload);
    appendChecksum(frame);
    return frame;
}

bool frameIsValid(const QByteArray &frame)
{
    if (frame.size() < FrameFormat::kOverhead || uint8_t(frame.at(0)) != FrameFormat::kHead
        || uint8_t(frame.at(3)) != frame.size())
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(frame.constData());
    const int n = frame.size();
    return crc16(bytes, n - 2) == quint16(bytes[n - 2] << 8 | bytes[n - 1]);
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
