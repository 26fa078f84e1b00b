#pragma once

#include "link/linktransport.h"

#include <memory>

class QSerialPort;

// A serial line: frames go out as they are, everything that arrives belongs to
// stream 1. Must be created and used in the worker thread.
class SerialTransport : public LinkTransport
{
public:
    // Bytes read from a serial line are held this long in case more follow.
    static constexpr int kFlushMs = 5;
    // A write that has not left the port after this long has failed.
    static constexpr int kDrainMs = 100;

    SerialTransport();
    ~SerialTransport() override;

    bool open(const LinkSettings &settings, int *errorCode) override;
    void close() override;
    int maxWriteChunk() const override;
    int write(const QByteArray &frame, quint32 channel, QString *error) override;
    ReadStatus read(int waitMs, QVector<InputChunk> *chunks, QString *error) override;

private:
    bool drain(QString *error);

    std::unique_ptr<QSerialPort> m_port;
    // A frame whose write timed out: it is still in the port's buffer.
    QByteArray m_unsent;
};
