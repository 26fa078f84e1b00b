#pragma once

#include "sim/driveendpoint.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// Serves a simulated drive on a pseudo-terminal: the tool opens the slave side
// as if it were a serial adapter. A thread of its own moves bytes between the
// master side and the drive. A hang-up closes the master, as an unplugged
// adapter would; coming back opens a new pseudo-terminal (and points the
// symbolic link, if any, at it).
class PtyDriveServer
{
public:
    explicit PtyDriveServer(DriveEndpoint &endpoint);
    ~PtyDriveServer();

    PtyDriveServer(const PtyDriveServer &) = delete;
    PtyDriveServer &operator=(const PtyDriveServer &) = delete;

    // Opens the pseudo-terminal and starts serving. With a non-empty
    // `linkPath`, a symbolic link there points at the slave.
    bool start(const QString &linkPath = QString(), QString *error = nullptr);
    void stop();

    // The slave's path ("/dev/pts/N"), or the link when there is one.
    QString portPath() const;
    QString slavePath() const;

    // Hangs up now; comes back after `comeBackMs` (-1: stays away).
    void hangUp(int comeBackMs = -1);
    bool hungUp() const { return m_master.load() < 0; }

    // Called from the server thread when a new pseudo-terminal replaces one
    // that hung up.
    void setOnNewPath(std::function<void(const QString &)> callback);

    // Sends raw bytes to the tool, outside any frame (junk, forged replies).
    void injectRaw(const QByteArray &bytes);

    // Bytes written to the master side so far.
    quint64 bytesOut() const { return m_bytesOut.load(); }

private:
    bool openPty(QString *error);
    void closePty();
    void loop();
    void wake();
    bool flushBacklog();

    DriveEndpoint &m_endpoint;
    QString m_linkPath;
    mutable std::mutex m_mutex; // slave path, callback, hang-up request
    QString m_slavePath;
    std::function<void(const QString &)> m_onNewPath;
    QByteArray m_injected;
    int m_hangUpRequest = -2; // -2: none; else come-back delay
    qint64 m_comeBackAtUs = -1;

    std::atomic<int> m_master{-1};
    int m_wakePipe[2] = {-1, -1};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    QByteArray m_backlog;
    bool m_clientPresent = false;
    std::atomic<quint64> m_bytesOut{0};
};

// Microseconds on the monotonic clock the simulated drive schedules by.
qint64 simNowUs();
