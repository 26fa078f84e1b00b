#pragma once

// The drive protocol's command record, the process-wide command table and the
// frame rules shared by the tool and the simulated drive.

#include <QByteArray>
#include <QMetaType>

#include <array>
#include <cstdint>

struct Frame {
    uint8_t head = 0x7E;       // frame head byte
    uint8_t cmd = 0;           // command byte
    uint8_t subCmd = 0;        // sub-command byte
    uint8_t txLen = 0;         // total request length, head and checksum included
    uint8_t rxLen = 0;         // total length of the reply the drive must send
    uint8_t *txData = nullptr; // request payload, owned by whoever queues the record
    uint8_t *rxData = nullptr; // payload of the last accepted reply (worker's buffer)
    uint8_t index = 0;         // own position in the command table
    uint32_t channel = 0;      // 0: HID stream 1, 1: HID stream 2
    // Payload bytes at rxData: those of the reply that was accepted, whatever
    // rxLen says by the time the reply is read.
    uint8_t rxDataLen = 0;
};
Q_DECLARE_METATYPE(Frame)

namespace FrameFormat {
constexpr uint8_t kHead = 0x7E;
constexpr int kOverhead = 6;      // head, cmd, sub-command, length, two checksum bytes
constexpr int kHeaderSize = 4;
constexpr int kMaxLength = 255;   // the length field is one byte
}

// Indexes into the command table.
namespace Cmd {
enum : int {
    IdleQuery = 0,
    ReadParamRange = 1,
    ReadParamList = 2,
    WriteParams = 3,
    ReadMonitor = 4,
    ManualRun = 5,
    ControlMode = 6,
    WaveStart = 7,
    WaveStop = 8,
    WaveKeepAlive = 9,
    SoftwareVersion1 = 10,
    SoftwareVersion2 = 11,
    VersionCheck1 = 12,
    VersionCheck2 = 13,
    DeviceInfo = 14,
    WaveTriggerAck = 15,
    WaveStateAck = 16,
    FirmwarePacket = 17,
    WaveStateAck2 = 18,
    Count = 19
};
}

// The process-wide command table. Pages point a record at their payload buffer,
// adjust the lengths where they vary and queue it by index; the worker writes
// rxData when it accepts a reply.
extern Frame commandTable[Cmd::Count];

// The record a table row starts with.
Frame initialCommandRecord(int index);
// Puts every row back to its initial value (used when a session starts afresh).
void resetCommandTable();

// A request buffer per table row, so that a queued payload stays put until sent.
using RequestBuffers = std::array<std::array<uint8_t, FrameFormat::kMaxLength>, Cmd::Count>;
// Copies `payload` (cut to what a frame holds) into the row's buffer and
// points the row at it; `rxLen` >= 0 sets the reply length expected.
void loadRequest(int index, RequestBuffers &buffers, const QByteArray &payload, int rxLen);

// CRC-16 with the reflected polynomial 0xA001 and initial value 0xFFFF.
quint16 crc16(const uint8_t *bytes, int count);
inline quint16 crc16(const QByteArray &bytes) {
    return crc16(reinterpret_cast<const uint8_t *>(bytes.constData()), bytes.size());
}

// The request payload a record carries: txLen - 6 bytes from txData, or zeros
// where txData is null, so that a frame always has the length its header says.
QByteArray requestPayload(const Frame &record);

// head, cmd, sub-command, txLen, payload, checksum high byte first.
QByteArray buildRequest(const Frame &record, const QByteArray &payload);
inline QByteArray buildRequest(const Frame &record) {
    return buildRequest(record, requestPayload(record));
}

// A complete frame around a payload; its length byte is the real total length.
// Used by the simulated drive to build replies.
QByteArray buildFrame(uint8_t cmd, uint8_t subCmd, const QByteArray &payload);

// True when `frame` is one whole frame whose length byte and checksum agree.
bool frameIsValid(const QByteArray &frame);

// Upper-case hexadecimal with a space between bytes, for the logs.
QString hexText(const QByteArray &bytes);
