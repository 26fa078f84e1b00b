#include "sim/ptydriveserver.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Output that could not be written yet; beyond this the oldest bytes go, as
// bytes would on a line nobody reads.
constexpr int kMaxBacklog = 256 * 1024;
constexpr int kMaxWaitMs = 50;
constexpr int kNoClientWaitMs = 10;
} // namespace

qint64 simNowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

PtyDriveServer::PtyDriveServer(DriveEndpoint &endpoint)
    : m_endpoint(endpoint)
{
}

PtyDriveServer::~PtyDriveServer()
{
    stop();
}

bool PtyDriveServer::openPty(QString *error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        if (error)
            *error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        if (master >= 0)
            ::close(master);
        return false;
    }
    termios tio{};
    if (tcgetattr(master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    if (!m_linkPath.isEmpty()) {
        // Replace the link in one step, so that it never dangles.
        const QString temporary = m_linkPath + QStringLiteral(".new");
        QFile::remove(temporary);
        if (::symlink(slave.toLocal8Bit().constData(), temporary.toLocal8Bit().constData()) != 0
            || ::rename(temporary.toLocal8Bit().constData(), m_linkPath.toLocal8Bit().constData()) != 0) {
            if (error)
                *error = QStringLiteral("cannot create the link %1: %2")
                             .arg(m_linkPath, QString::fromLocal8Bit(strerror(errno)));
            ::close(master);
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_slavePath = slave;
    }
    m_backlog.clear();
    m_clientPresent = false;
    m_master = master;
    return true;
}

void PtyDriveServer::closePty()
{
    const int master = m_master.exchange(-1);
    if (master >= 0)
        ::close(master);
    m_backlog.clear();
    if (m_clientPresent)
        m_endpoint.hostGone();
    m_clientPresent = false;
}

bool PtyDriveServer::start(const QString &linkPath, QString *error)
{
    if (m_running)
        return true;
    m_linkPath = linkPath.isEmpty() ? QString() : QFileInfo(linkPath).absoluteFilePath();
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error)
            *error = QStringLiteral("cannot create a pipe");
        return false;
    }
    if (!openPty(error)) {
        ::close(m_wakePipe[0]);
        ::close(m_wakePipe[1]);
        m_wakePipe[0] = m_wakePipe[1] = -1;
        return false;
    }
    m_running = true;
    m_thread = std::thread([this] { loop(); });
    return true;
}

void PtyDriveServer::stop()
{
    if (!m_running.exchange(false))
        return;
    wake();
    if (m_thread.joinable())
        m_thread.join();
    closePty();
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    m_wakePipe[0] = m_wakePipe[1] = -1;
}

QString PtyDriveServer::slavePath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slavePath;
}

QString PtyDriveServer::portPath() const
{
    return m_linkPath.isEmpty() ? slavePath() : m_linkPath;
}

void PtyDriveServer::hangUp(int comeBackMs)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hangUpRequest = comeBackMs < 0 ? -1 : comeBackMs;
    }
    wake();
}

void PtyDriveServer::setOnNewPath(std::function<void(const QString &)> callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onNewPath = std::move(callback);
}

void PtyDriveServer::injectRaw(const QByteArray &bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_injected.append(bytes);
    }
    wake();
}

void PtyDriveServer::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakePipe[1], &byte, 1);
    }
}

bool PtyDriveServer::flushBacklog()
{
    const int master = m_master.load();
    while (!m_backlog.isEmpty() && master >= 0) {
        const ssize_t n = ::write(master, m_backlog.constData(), size_t(m_backlog.size()));
        if (n <= 0)
            return errno == EAGAIN || errno == EINTR || n == 0;
        m_bytesOut += quint64(n);
        m_backlog.remove(0, int(n));
    }
    return true;
}

void PtyDriveServer::loop()
{
    char buffer[4096];
    while (m_running) {
        // Hang-up requests, from a caller or from the fault switches.
        int request = -2;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            std::swap(request, m_hangUpRequest);
        }
        if (request == -2 && m_endpoint.takeHangUp())
            request = m_endpoint.faults().comeBackMs;
        if (request != -2) {
            if (m_master.load() >= 0) {
                closePty();
                m_endpoint.countHangUp();
            }
            m_comeBackAtUs = request < 0 ? -1 : simNowUs() + qint64(request) * 1000;
        }

        if (m_master.load() < 0) {
            if (m_comeBackAtUs >= 0 && simNowUs() >= m_comeBackAtUs) {
                m_comeBackAtUs = -1;
                if (openPty(nullptr)) {
                    std::function<void(const QString &)> callback;
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        callback = m_onNewPath;
                    }
                    if (callback)
                        callback(portPath());
                }
                continue;
            }
            pollfd wakeOnly{m_wakePipe[0], POLLIN, 0};
            ::poll(&wakeOnly, 1, kMaxWaitMs);
            while (::read(m_wakePipe[0], buffer, sizeof buffer) > 0) {
            }
            continue;
        }

        const int master = m_master.load();
        const qint64 now = simNowUs();
        const QVector<DriveEndpoint::Output> outputs = m_endpoint.takeDue(now);
        QByteArray injected;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            injected.swap(m_injected);
        }
        if (m_clientPresent) {
            m_backlog.append(injected);
            for (const DriveEndpoint::Output &out : outputs)
                m_backlog.append(out.bytes);
            if (m_backlog.size() > kMaxBacklog)
                m_backlog.remove(0, m_backlog.size() - kMaxBacklog);
            flushBacklog();
        }

        int waitMs = kMaxWaitMs;
        const qint64 next = m_endpoint.nextDueUs();
        if (next >= 0)
            waitMs = int(qBound<qint64>(0, (next - simNowUs() + 999) / 1000, kMaxWaitMs));
        pollfd fds[2] = {{master, short(POLLIN | (m_backlog.isEmpty() ? 0 : POLLOUT)), 0},
                         {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, waitMs) < 0)
            continue;
        if (fds[1].revents & POLLIN) {
            while (::read(m_wakePipe[0], buffer, sizeof buffer) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                m_clientPresent = true;
                m_endpoint.receive(QByteArray(buffer, int(n)), 1, simNowUs());
            }
        } else if (fds[0].revents & POLLHUP) {
            // Nobody has the slave open: the host has gone (or not come yet).
            if (m_clientPresent) {
                m_clientPresent = false;
                m_backlog.clear();
                m_endpoint.hostGone();
            }
            pollfd wakeOnly{m_wakePipe[0], POLLIN, 0};
            ::poll(&wakeOnly, 1, kNoClientWaitMs);
        } else {
            m_clientPresent = true;
        }
        if (fds[0].revents & POLLOUT)
            flushBacklog();
    }
}
