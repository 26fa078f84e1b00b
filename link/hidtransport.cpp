#include "link/hidtransport.h"
#include "link/hidreport.h"
#include "link/linklog.h"
#include "link/platform.h"

#include <hidapi/hidapi.h>

#include <cerrno>

HidTransport::~HidTransport()
{
    close();
}

bool HidTransport::open(const LinkSettings &settings, int *errorCode)
{
    close();
    hid_init();
    m_device = hid_open_path(settings.port.toLocal8Bit().constData());
    if (!m_device) {
        *errorCode = kOpenError;
        return false;
    }
    hid_set_nonblocking(m_device, 0);
    qCDebug(lcLink) << "HID设备打开成功!";
    return true;
}

void HidTransport::close()
{
    if (m_device) {
        hid_close(m_device);
        m_device = nullptr;
    }
}

int HidTransport::maxWriteChunk() const
{
    return HidReport::kMaxPayload;
}

QString HidTransport::lastError() const
{
    const wchar_t *text = hid_error(m_device);
    return text ? QString::fromWCharArray(text) : QString();
}

int HidTransport::write(const QByteArray &frame, quint32 channel, QString *error)
{
    if (!m_device) {
        *error = QStringLiteral("device not open");
        return -1;
    }
    const int count = qMin(frame.size(), HidReport::kMaxPayload);
    const QByteArray report =
        HidReport::packOutput(frame.constData(), count, HidReport::streamForChannel(channel));
    if (hid_write(m_device, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size())) < 0) {
        *error = lastError();
        return -1;
    }
    return count;
}

LinkTransport::ReadStatus HidTransport::read(int waitMs, QVector<InputChunk> *chunks, QString *error)
{
    if (!m_device)
        return ReadStatus::Ok;
    uint8_t report[HidReport::kInputSize];
    errno = 0;
    const int result = hid_read_timeout(m_device, report, sizeof report, waitMs);
    const int readErrno = errno;
    if (result >= 1) {
        InputChunk chunk;
        if (HidReport::unpackInput(report, result, &chunk.stream, &chunk.bytes)) {
            chunk.holdMs = chunk.bytes.size() >= HidReport::kMaxPayload ? kContinuationMs : 0;
            chunks->append(chunk);
        }
        return ReadStatus::Ok;
    }
    if (result < 0) {
        const QString text = lastError();
        if (Platform::hidReadMeansGone(result, readErrno, text)) {
            *error = text;
            return ReadStatus::DeviceGone;
        }
    }
    return ReadStatus::Ok;
}
