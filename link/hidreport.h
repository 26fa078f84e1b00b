#pragma once

#include <QByteArray>

// How frames travel inside the drive's HID reports. Output reports are 64
// bytes: report number 0, stream id, byte count, up to 61 frame bytes, zero
// padding. Input reports are 63 bytes: stream id, byte count, payload.
namespace HidReport {

constexpr int kOutputSize = 64;
constexpr int kInputSize = 63;
constexpr int kMaxPayload = 61;

// Streams: 1 and 2 carry frames of channel 0 and 1, 3 and 4 the drive's CPU
// and CM debug text.
constexpr int kFirstStream = 1;
constexpr int kStreamCount = 4;

inline int streamForChannel(quint32 channel) { return channel == 1 ? 2 : 1; }

// One output report holding the first min(count, 61) bytes of `data`.
QByteArray packOutput(const char *data, int count, int streamId);

// The stream id and the payload of an input report of `length` bytes. The
// count byte is trusted only as far as the report reaches. Returns false for
// a report too short to hold a header.
bool unpackInput(const uint8_t *report, int length, int *streamId, QByteArray *payload);

} // namespace HidReport
