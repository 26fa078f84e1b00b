#include "mainwindow/waverecorder.h"

#include "app/regularfile.h"

#include <QElapsedTimer>

using namespace WaveRecording;

WaveRecorder::WaveRecorder(QObject *parent) : QObject(parent) {}

WaveRecorder::~WaveRecorder()
{
    QString error;
    finish(&error);
}

bool WaveRecorder::start(const QString &path, const Header &header, QString *error)
{
    if (active())
        return false;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = m_file.errorString();
        return false;
    }
    m_path = path;
    m_queue.clear();
    m_queued = 0;
    m_stop = false;
    m_error.clear();
    m_written = 0;
    m_partial.clear();
    m_next = 0;
    m_pending = 0;
    if (!m_closing.open(error) || !put(headerBytes(header)) || !sync()) {
        if (error->isEmpty())
            *error = m_error;
        m_file.close();
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void WaveRecorder::append(const QByteArray &bytes)
{
    if (!active() || bytes.isEmpty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_error.isEmpty())
        return;
    // Memory stays bounded when the disk falls behind: the recording ends.
    if (m_queued + bytes.size() > kMaxQueued)
        m_error = tr("磁盘写入跟不上数据流");
    else
        m_queue.push_back({bytes, 0});
    m_queued += bytes.size();
    m_wake.notify_one();
}

void WaveRecorder::gap(int sets)
{
    if (!active() || sets <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({QByteArray(), sets});
    m_wake.notify_one();
}

bool WaveRecorder::finish(QString *error)
{
    if (!active())
        return true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_wake.notify_one();
    }
    m_thread.join();
    m_file.close();
    *error = m_error;
    return m_error.isEmpty();
}

void WaveRecorder::run()
{
    QElapsedTimer sinceSync;
    sinceSync.start();
    std::deque<Item> items;
    bool stopping = false;
    bool ok = true;
    while (!stopping) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(250),
                            [this] { return m_stop || m_queued >= kWriteAtOnce || !m_error.isEmpty(); });
            items.swap(m_queue);
            m_queued = 0;
            stopping = m_stop;
            if (ok && !m_error.isEmpty()) {
                ok = false;
                lock.unlock();
                emit failed(m_error);
            }
        }
        if (!ok) {
            items.clear();
            continue;
        }
        ok = writeItems(items);
        items.clear();
        if (ok && (stopping || sinceSync.elapsed() >= 1000)) {
            ok = sync();
            sinceSync.restart();
        }
        if (ok && stopping) {
            QString error;
            ok = (m_closing.write(m_file, &error) || setError(error)) && sync();
        }
        if (!ok)
            emit failed(m_error);
    }
}

bool WaveRecorder::writeItems(std::deque<Item> &items)
{
    QByteArray out;
    QByteArray sets;
    qint64 first = m_next;
    const auto close = [&] {
        const int count = sets.size() / kSetBytes;
        if (count > 0) {
            m_closing.addBlock(m_file.pos() + out.size() + kBlockHeader, first, count);
            out += blockBytes(first, sets.constData(), count);
        }
        sets.clear();
    };
    for (Item &item : items) {
        if (item.lost > 0) {
            close();
            m_partial.clear();
            m_next += item.lost;
            first = m_next;
            continue;
        }
        m_partial += item.bytes;
        const int whole = m_partial.size() / kSetBytes * kSetBytes;
        for (int at = 0; at < whole; at += kSetBytes) {
            qint16 set[kChannels];
            for (int c = 0; c < kChannels; ++c)
                set[c] = qint16(quint16(uchar(m_partial[at + 2 * c]) << 8 | uchar(m_partial[at + 2 * c + 1])));
            m_closing.addSet(m_next++, set);
            ++m_pending;
        }
        sets.append(m_partial.constData(), whole);
        m_partial.remove(0, whole);
    }
    close();
    const qint64 before = m_written.load();
    if (out.isEmpty())
        return true;
    if (!put(out))
        return false;
    m_written = before + m_pending;
    m_pending = 0;
    return true;
}

bool WaveRecorder::setError(const QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool WaveRecorder::put(const QByteArray &bytes)
{
    return m_file.write(bytes) == bytes.size() || setError(m_file.errorString());
}

bool WaveRecorder::sync()
{
    QString reason;
    return RegularFile::syncToDisk(m_file, &reason) || setError(reason);
}
