#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// What the worker needs to open a link.
struct LinkSettings {
    QString port;          // serial port name or HID device path
    quint32 baud = 115200; // serial only
    quint8 dataBits = 8;   // QSerialPort::DataBits value
    quint8 parity = 0;     // QSerialPort::Parity value
    quint8 stopBits = 1;   // QSerialPort::StopBits value
};

// Bytes that arrived on one stream, and how long the worker holds them in case
// the message continues (a full HID report, or a serial read).
struct InputChunk {
    int stream = 1;
    QByteArray bytes;
    int holdMs = 0;
};

// The device behind the link: a HID device or a serial port.
class LinkTransport
{
public:
    enum class ReadStatus { Ok, DeviceGone };

    virtual ~LinkTransport() = default;

    // Opens the device; on failure *errorCode says why (the serial port's
    // error, or 2 for a HID device).
    virtual bool open(const LinkSettings &settings, int *errorCode) = 0;
    virtual void close() = 0;

    // The most bytes of a frame one write takes: one HID report, or the whole
    // frame on a serial line.
    virtual int maxWriteChunk() const = 0;

    // Writes the first bytes of `frame` (at most maxWriteChunk()) on `channel`.
    // Returns the count written, or -1 with *error set.
    virtual int write(const QByteArray &frame, quint32 channel, QString *error) = 0;

    // Waits at most waitMs for input and adds what arrived to *chunks.
    virtual ReadStatus read(int waitMs, QVector<InputChunk> *chunks, QString *error) = 0;
};
