#include "drivesession.h"

#include "link/platform.h"
#include "mainwindow/portscan.h"
#include "mainwindow/replydispatch.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

// The worker reports the port open within this time, or that it could not
// be opened.
constexpr int kOpenTimeoutMs = 5000;
// Three tries of 200 ms each end the link; a reply comes long before this.
constexpr int kReplyTimeoutMs = 5000;

} // namespace

DriveSession::DriveSession(QObject *parent)
    : QObject(parent)
{
    registerLinkTypes();
    resetCommandTable();
    connect(&m_worker, &SerialThread::communicateState, this, [this](uint16_t state) {
        if (state != 1 && m_state == 1 && m_error.isEmpty())
            m_error = state == 0 ? QStringLiteral("the link was closed") : QStringLiteral("the drive stopped answering");
        m_state = state;
        if (state != 1 && m_wait)
            m_wait->quit();
    });
    connect(&m_worker, &SerialThread::serror, this, [this](const QString &message) { m_error = message; });
    connect(&m_worker, &SerialThread::data_Return, this, [this](int index) {
        const ReplyDispatch::AckBy ack = ReplyDispatch::ackBy(index);
        if (ack == ReplyDispatch::AckBy::Ignored || ack == ReplyDispatch::AckBy::Nobody)
            return;
        // Copied first, then acknowledged: the worker may reuse its buffer.
        const QByteArray payload = ReplyDispatch::copyPayload(commandTable[index]);
        m_worker.rxDataBeenProecssed();
        if (index == m_awaited) {
            m_reply = payload;
            m_replied = true;
            if (m_wait)
                m_wait->quit();
        }
    });
}

DriveSession::~DriveSession()
{
    close();
}

bool DriveSession::open(const QString &port, QString *error)
{
    QString name = port;
    const QList<PortScan::HidDevice> devices = PortScan::enumerateHid();
    QStringList hidPaths;
    PortScan::hidEntries(devices, &hidPaths);
    if (name.startsWith(QLatin1String("HID"))) {
        name = PortScan::hidPathFor(name, devices);
        if (name.isEmpty()) {
            *error = QStringLiteral("%1: no such HID drive (see servo-cli ports)").arg(port);
            return false;
        }
    } else if (!Platform::isKnown(name, Platform::serialPorts(), hidPaths) && QFileInfo::exists(name)) {
        // A device path given by hand (a pseudo-terminal, say) is as good as
        // one listed in SERVO_EXTRA_PORTS.
        QByteArray extra = qgetenv("SERVO_EXTRA_PORTS");
        qputenv("SERVO_EXTRA_PORTS", extra.isEmpty() ? name.toLocal8Bit() : extra + ':' + name.toLocal8Bit());
    }
    m_worker.updateAvailableHID(hidPaths);
    m_error.clear();

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto done = connect(&m_worker, &SerialThread::communicateState, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    m_worker.transaction(Platform::connectName(name), 115200, 8, 0, 1);
    timeout.start(kOpenTimeoutMs);
    loop.exec();
    disconnect(done);
    if (m_state == 1)
        return true;
    *error = QStringLiteral("%1: %2").arg(port, m_error.isEmpty() ? QStringLiteral("cannot open the port") : m_error);
    m_worker.communicateDisConnect();
    m_worker.wait();
    return false;
}

void DriveSession::close()
{
    if (m_worker.isRunning()) {
        m_worker.communicateDisConnect();
        m_worker.wait();
    }
    m_state = 0;
}

void DriveSession::queue(int index, const QByteArray &payload, int rxLen)
{
    loadRequest(index, m_tx, payload, rxLen);
    m_worker.send_Frame(index);
}

bool DriveSession::exchange(int index, const QByteArray &payload, int rxLen, QByteArray *reply)
{
    if (m_state != 1)
        return false;
    m_awaited = index;
    m_replied = false;
    queue(index, payload, rxLen);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_wait = &loop;
    timeout.start(kReplyTimeoutMs);
    loop.exec();
    m_wait = nullptr;
    m_awaited = -1;
    if (!m_replied) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("the drive stopped answering");
        return false;
    }
    *reply = m_reply;
    return true;
}

void DriveSession::post(int index, const QByteArray &payload)
{
    if (m_state == 1)
        queue(index, payload, -1);
}
