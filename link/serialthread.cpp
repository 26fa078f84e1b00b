#include "link/serialthread.h"
#include "link/hidtransport.h"
#include "link/linklog.h"
#include "link/platform.h"
#include "link/serialtransport.h"

#include <QMetaObject>

#include <memory>

class SerialThread::Events : public LinkEvents
{
public:
    explicit Events(SerialThread *q)
        : q(q)
    {
    }

    void replyAccepted(int index) override { emit q->data_Return(index); }
    void linkState(quint16 state) override { emit q->communicateState(state); }
    void sentCount(quint32 value) override { emit q->communicateTx(value); }
    void receivedCount(quint32 value) override { emit q->communicateRx(value); }
    void errorCount(quint32 value) override { emit q->communicateEr(value); }
    void idle() override { emit q->serial_IDLE(); }
    void waveformSamples(const QByteArray &samples) override { emit q->waveform_putDataToShow(samples); }
    void waveformGap(int sampleSets) override { emit q->waveform_gap(sampleSets); }
    void debugMessage(int id, const QByteArray &message) override { emit q->debugDataReturn(id, message); }

    void traffic(const QByteArray &bytes, quint8 direction) override
    {
        // The signal carries a pointer. It points at a copy of its own that
        // stays unchanged until every queued receiver in the GUI thread has
        // run: the copy travels as the argument of a signal queued after that
        // one, and is freed with its event whether the event runs or is
        // discarded at exit. Qt copies the argument itself, so a thread
        // checker sees the copy made and let go inside Qt's own event queue.
        const QByteArray copy(bytes.constData(), bytes.size());
        emit q->connectComTRData(reinterpret_cast<uint8_t *>(const_cast<char *>(copy.constData())),
                                 uint8_t(copy.size()), direction);
        emit q->trafficCopyReleased(copy);
    }

private:
    SerialThread *q;
};

SerialThread::SerialThread(QObject *parent)
    : QThread(parent)
    , m_events(std::make_unique<Events>(this))
    , m_engine(std::make_unique<LinkEngine>(*m_events, m_clock))
{
    connect(this, &QThread::finished, this, &SerialThread::restartIfPending, Qt::QueuedConnection);
    connect(this, &SerialThread::trafficCopyReleased, this, [](const QByteArray &) {}, Qt::QueuedConnection);
}

SerialThread::~SerialThread()
{
    m_engine->requestExit();
    wait();
    // Reading the flag the loop set last orders everything run() did before
    // what the destructor does next, visibly to thread checkers too.
    while (!m_loopDone.load(std::memory_order_acquire))
        QThread::yieldCurrentThread();
}

void SerialThread::presetCounters(quint32 sent, quint32 received, quint32 errors)
{
    m_engine->presetCounters(sent, received, errors);
}

void SerialThread::transaction(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity,
                               uint8_t stopBits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    qCDebug(lcLink) << "收到连接请求!设备路径:" << port;
    m_settings.port = port;
    m_settings.baud = baud;
    m_settings.dataBits = dataBits;
    m_settings.parity = parity;
    m_settings.stopBits = stopBits;
    if (!isRunning()) {
        startLoop();
    } else if (m_loopDone || m_engine->exitRequested()) {
        // The link is ending but its thread has not finished yet: start again
        // as soon as it has, rather than losing the request.
        m_restartPending = true;
    }
}

void SerialThread::startLoop()
{
    // A loop that starts answers every request made so far.
    m_restartPending = false;
    m_loopDone = false;
    m_engine->clearExit();
    start(InheritPriority);
}

void SerialThread::restartIfPending()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A loop started since runs on; its own end comes back here.
        if (!m_restartPending || !m_loopDone)
            return;
    }
    // run() has returned and finished() comes just before the thread is
    // done, so this wait is short. It holds no lock that a starting loop needs.
    wait();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_restartPending && !isRunning())
        startLoop();
}

void SerialThread::communicateDisConnect()
{
    qCDebug(lcLink) << "收到通信断开请求！";
    m_engine->requestExit();
}

void SerialThread::communicateReset()
{
    m_engine->resetCounters();
}

void SerialThread::rxDataBeenProecssed()
{
    m_engine->acknowledge();
}

void SerialThread::send_Frame(int index)
{
    qCDebug(lcLink) << "串口进程收到发送请求！";
    if (index < 0 || index >= Cmd::Count)
        return;
    m_engine->enqueue(commandTable[index]);
}

void SerialThread::updateAvailableHID(QStringList paths)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hidPaths = paths;
}

void SerialThread::run()
{
    qCDebug(lcLink) << "串口进程运行";
    LinkSettings settings;
    QStringList hidPaths;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        settings = m_settings;
        hidPaths = m_hidPaths;
    }

    const bool hid = Platform::kindOf(settings.port, hidPaths) == Platform::Kind::Hid;
    std::unique_ptr<LinkTransport> transport;
    if (hid)
        transport = std::make_unique<HidTransport>();
    else
        transport = std::make_unique<SerialTransport>();
    m_engine->begin(transport.get());

    if (!Platform::isKnown(settings.port, Platform::serialPorts(), hidPaths)) {
        qCDebug(lcLink) << "端口不存在";
        m_engine->requestExit(LinkEngine::EndPortGone);
    }

    int errorCode = 0;
    if (!transport->open(settings, &errorCode)) {
        emit serror(tr("无法打开串口%1, 故障代码: %2").arg(settings.port).arg(errorCode));
        emit communicateState(0);
        m_engine->clearWaveformMode();
        m_engine->end();
        m_loopDone.store(true, std::memory_order_release);
        return;
    }
    emit communicateState(1);

    while (!m_engine->exitRequested())
        m_engine->pass();

    emit communicateState(0);
    emit linkEnded(int(m_engine->endCause()));
    emit threadInfo(tr("通信断开"));
    m_engine->end();
    transport->close();
    transport.reset();
    qCDebug(lcLink) << "串口进程退出";
    m_loopDone.store(true, std::memory_order_release);
}

void registerLinkTypes()
{
    qRegisterMetaType<Frame>("Frame");
    qRegisterMetaType<uint8_t>("uint8_t");
    qRegisterMetaType<int>("int");
    qRegisterMetaType<uint16_t>("uint16_t");
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<uint8_t *>("uint8_t*");
    qRegisterMetaType<QByteArray>("QByteArray");
    qRegisterMetaType<QString>("QString");
}
