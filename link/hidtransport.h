#pragma once

#include "link/linktransport.h"

struct hid_device_;

// A HID device reached through hidapi: frames go out one 64-byte report at a
// time, and every input report carries the id of the stream it belongs to.
// The hidapi calls are made in the HID service's thread.
class HidTransport : public LinkTransport
{
public:
    // A full report may be followed by the rest of its message this soon.
    static constexpr int kContinuationMs = 10;
    // hidapi's failure code reported when the device cannot be opened.
    static constexpr int kOpenError = 2;

    ~HidTransport() override;

    bool open(const LinkSettings &settings, int *errorCode) override;
    void close() override;
    int maxWriteChunk() const override;
    int write(const QByteArray &frame, quint32 channel, QString *error) override;
    ReadStatus read(int waitMs, QVector<InputChunk> *chunks, QString *error) override;

private:
    QString lastError() const;

    hid_device_ *m_device = nullptr;
};
