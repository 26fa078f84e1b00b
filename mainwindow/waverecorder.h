#pragma once

// Writes a recording on a thread of its own. The waveform path hands over
// the stream's bytes and its losses and never waits for the disk; the
// thread writes what has gathered about four times a second (as one block,
// so that a long recording has few blocks to index), gathers the closing
// section on the side, and pushes the file to the disk at least once a
// second, so that a crash or a power loss costs at most the last second.

#include "mainwindow/waverecording.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class WaveRecorder : public QObject
{
    Q_OBJECT

public:
    // Above this much waiting data the disk cannot keep up: the recording stops.
    static constexpr qint64 kMaxQueued = 64 << 20;
    // Waiting data written at once, without waiting for the next round.
    static constexpr qint64 kWriteAtOnce = 256 << 10;

    explicit WaveRecorder(QObject *parent = nullptr);
    ~WaveRecorder() override;

    // Creates the file and writes its header; false (with a reason) when
    // that failed. An existing file of that name is replaced.
    bool start(const QString &path, const WaveRecording::Header &header, QString *error);
    bool active() const { return m_thread.joinable(); }
    QString path() const { return m_path; }
    // Stream bytes; a set split across calls is joined.
    void append(const QByteArray &bytes);
    // `sets` sample sets were lost; a set cut by the loss is dropped.
    void gap(int sets);
    // Writes what waits and the closing section, and closes the file; false
    // (with the first write error) when the recording failed on the way.
    bool finish(QString *error);
    qint64 setsWritten() const { return m_written.load(); }

signals:
    // A write failed (a full disk, a removed drive): the recording has
    // stopped writing; what was written stays readable. Sent from the
    // writer's thread, once.
    void failed(const QString &reason);

private:
    struct Item {
        QByteArray bytes;
        int lost = 0;
    };
    void run();
    bool writeItems(std::deque<Item> &items);
    bool put(const QByteArray &bytes);
    // Keeps the first error; always false.
    bool setError(const QString &error);
    bool sync();

    QString m_path;
    QFile m_file;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_queue;
    qint64 m_queued = 0;
    bool m_stop = false;
    QString m_error;
    std::atomic<qint64> m_written{0};
    // Writer thread only.
    QByteArray m_partial;
    qint64 m_next = 0;
    qint64 m_pending = 0; // sets gathered, not yet written
    WaveRecording::Closing m_closing;
};
