#include "link/serialtransport.h"
#include "link/frame.h"
#include "link/linklog.h"
#include "link/platform.h"

#include <QSerialPort>
#include <QTime>

SerialTransport::SerialTransport()
    : m_port(std::make_unique<QSerialPort>())
{
}

SerialTransport::~SerialTransport()
{
    close();
}

bool SerialTransport::open(const LinkSettings &settings, int *errorCode)
{
    qCDebug(lcLink) << "Port:" << settings.port << "baud" << settings.baud;
    m_unsent.clear();
    if (m_port->isOpen())
        m_port->close();
    m_port->setPortName(Platform::serialSystemName(settings.port));
    m_port->setBaudRate(qint32(settings.baud), QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::DataBits(settings.dataBits));
    m_port->setStopBits(QSerialPort::StopBits(settings.stopBits));
    m_port->setParity(QSerialPort::Parity(settings.parity));
    if (!m_port->open(QIODevice::ReadWrite)) {
        *errorCode = int(m_port->error());
        return false;
    }
    m_port->setDataTerminalReady(true);
    return true;
}

void SerialTransport::close()
{
    m_unsent.clear();
    if (m_port->isOpen()) {
        m_port->clear(QSerialPort::AllDirections);
        m_port->close();
    }
}

int SerialTransport::maxWriteChunk() const
{
    return FrameFormat::kMaxLength;
}

int SerialTransport::write(const QByteArray &frame, quint32, QString *error)
{
    qCDebug(lcLink) << "串口发送数据";
    if (!m_unsent.isEmpty()) {
        // Trying a timed-out frame again means waiting for it to leave, not
        // queueing it a second time.
        if (!drain(error))
            return -1;
        const bool same = m_unsent == frame;
        m_unsent.clear();
        if (same)
            return frame.size();
    }
    if (m_port->write(frame) != frame.size()) {
        *error = m_port->errorString();
        return -1;
    }
    if (!drain(error)) {
        m_unsent = frame;
        return -1;
    }
    return frame.size();
}

bool SerialTransport::drain(QString *error)
{
    // There is no event loop in the worker thread: push the bytes out now.
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(kDrainMs)) {
            *error = m_port->errorString();
            return false;
        }
    }
    return true;
}

LinkTransport::ReadStatus SerialTransport::read(int waitMs, QVector<InputChunk> *chunks, QString *error)
{
    if (m_port->bytesAvailable() == 0)
        m_port->waitForReadyRead(waitMs);
    if (m_port->error() == QSerialPort::ResourceError) {
        // The adapter was unplugged or the other end hung up.
        *error = m_port->errorString();
        return ReadStatus::DeviceGone;
    }
    if (m_port->error() != QSerialPort::NoError)
        m_port->clearError();
    if (m_port->bytesAvailable() > 0) {
        InputChunk chunk;
        chunk.bytes = m_port->readAll();
        chunk.holdMs = kFlushMs;
        if (lcLink().isDebugEnabled())
            qCDebug(lcLink).noquote() << QStringLiteral("[%1]").arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")))
                                      << "串口进程读取到数据" << hexText(chunk.bytes);
        chunks->append(chunk);
    }
    return ReadStatus::Ok;
}
