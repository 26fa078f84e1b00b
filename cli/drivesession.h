#pragma once

// One drive on one link, for a program without windows: opens the port
// through the same link worker the window uses (same timings, retries and
// reply matching), sends commands from the command table and waits for their
// replies.

#include "link/frame.h"
#include "link/serialthread.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

class QEventLoop;

class DriveSession : public QObject
{
    Q_OBJECT

public:
    explicit DriveSession(QObject *parent = nullptr);
    ~DriveSession() override;

    // Opens `port`: a serial port name, a path listed in SERVO_EXTRA_PORTS, a
    // device path, or "HID1", "HID2", ... as `servo-cli ports` lists them.
    // False, with the reason, when the link did not come up.
    bool open(const QString &port, QString *error);
    void close();
    bool isOpen() const { return m_state == 1; }

    // Sends command `index` with `payload` (and the reply length `rxLen`
    // when it varies) and waits for the reply's payload. False when the link
    // dropped before the reply came.
    bool exchange(int index, const QByteArray &payload, int rxLen, QByteArray *reply);
    // Sends a command that has no reply (waveform stop and keep-alive).
    void post(int index, const QByteArray &payload);

    SerialThread &worker() { return m_worker; }
    // What ended the link, for the one-line error.
    QString lastError() const { return m_error; }

private:
    void queue(int index, const QByteArray &payload, int rxLen);

    SerialThread m_worker;
    RequestBuffers m_tx{};
    int m_state = 0;
    int m_awaited = -1;
    QEventLoop *m_wait = nullptr;
    bool m_replied = false;
    QByteArray m_reply;
    QString m_error;
};
