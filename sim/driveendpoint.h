#pragma once

#include "sim/drivemodel.h"

#include <QByteArray>
#include <mutex>
#include <utility>
#include <QString>
#include <QStringList>
#include <QVector>

// Switches that make the simulated drive misbehave the way real links do.
// A count of 0 (or -1 where noted) leaves the switch off.
struct FaultSwitches {
    int dropEvery = 0;     // drop every Nth reply
    int corruptEvery = 0;  // corrupt the checksum of every Nth reply
    int splitBytes = 0;    // send replies in chunks of this many bytes...
    int splitGapMs = 0;    // ...this far apart
    int delayMs = 0;       // hold every reply this long
    int junkBytes = 0;     // junk bytes before every waveform block
    int badSumEvery = 0;   // a wrong sum in every Nth waveform block
    int stopAfter = -1;    // answer nothing after N replies
    int hangUpAfter = -1;  // hang up after N replies
    int comeBackMs = -1;   // after a hang-up, come back after this long (-1: stay away)
    int silentTo = -1;     // a command byte the drive does not know: no reply at all

    // Applies "name value" (or "name=value") as on drive-sim's command line,
    // without the leading dashes: drop-every 5, split 7:3, ...
    bool apply(const QString &name, const QString &value, QString *error);
    QString describe() const;
    static QStringList names();
};

// What the simulated drive has done, for tests and benchmarks to compare
// against what the tool counted.
struct SimStats {
    quint64 bytesIn = 0;
    quint64 requests = 0;          // whole frames with a good checksum
    quint64 rejectedBytes = 0;     // bytes skipped while looking for a frame
    quint64 replies = 0;           // replies the drive produced
    quint64 repliesSent = 0;       // replies that went out (corrupted ones included)
    quint64 repliesDropped = 0;
    quint64 repliesCorrupted = 0;
    quint64 repliesWithheld = 0;   // after stop-after
    quint64 blocksSent = 0;
    quint64 blocksCorrupted = 0;
    quint64 blocksSkipped = 0;     // fell due while nobody was reading
    quint64 hangUps = 0;
};

// One drive as seen from the line: it takes request bytes as they come, finds
// the frames in them, lets the model answer, applies the fault switches and
// schedules what goes back, replies and waveform blocks, by time. Transports
// (a pseudo-terminal, the HID stand-in) move the bytes. Thread-safe.
class DriveEndpoint
{
public:
    struct Output {
        qint64 dueUs = 0;
        int stream = 1;
        QByteArray bytes;
        bool block = false;
    };

    // Bytes of an unfinished frame are dropped after this much silence.
    static constexpr qint64 kInterByteTimeoutUs = 50000;
    static constexpr int kMaxFrameBuffer = 4096;
    // Blocks older than this are dropped, as a drive's send buffer would.
    static constexpr qint64 kBlockBacklogUs = 1000000;

    explicit DriveEndpoint(const WaveGenerator::Settings &wave = WaveGenerator::Settings());

    void setFaults(const FaultSwitches &faults);
    FaultSwitches faults() const;
    bool applyFault(const QString &name, const QString &value, QString *error);
    void setWaveSettings(const WaveGenerator::Settings &settings);
    // Runs `f` on the drive model, under the endpoint's lock.
    template <typename F>
    auto withModel(F f) -> decltype(f(std::declval<DriveModel &>()))
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(m_model);
    }
    WaveGenerator::Settings waveSettings() const;

    void receive(const QByteArray &bytes, int stream, qint64 nowUs);
    // Everything due by `nowUs`, in the order it goes out.
    QVector<Output> takeDue(qint64 nowUs);
    // When something is next due (-1: nothing until more input arrives).
    qint64 nextDueUs() const;
    // The host closed the line: the drive stops streaming and forgets what it
    // was about to send.
    void hostGone();
    // True once after a hang-up fault fired.
    bool takeHangUp();
    // The line went dead (a hang-up, an unplugged device).
    void countHangUp();

    SimStats stats() const;

    // The last requests the drive took, oldest first.
    struct Request {
        qint64 atUs = 0;
        quint8 cmd = 0;
        quint8 subCmd = 0;
    };
    static constexpr int kRequestLogSize = 1024;
    QVector<Request> requestLog() const;
    bool streaming() const;
    std::array<quint16, 4> channelPositions() const;

private:
    void handleFrame(const QByteArray &frame, int stream, qint64 nowUs);
    // Queues a reply as the fault switches say; returns when its last byte goes.
    qint64 schedule(const QByteArray &reply, int stream, qint64 nowUs);
    QByteArray makeBlock();

    mutable std::mutex m_mutex;
    DriveModel m_model;
    FaultSwitches m_faults;
    SimStats m_stats;
    QByteArray m_frameBuffer;
    qint64 m_lastInputUs = 0;
    QVector<Output> m_scheduled; // replies, ordered by due time
    QVector<Request> m_requests;
    int m_waveStream = 1;
    bool m_hangUp = false;
};
