#include "link/hidtransport.h"
#include "link/hidreport.h"
#include "link/hidservice.h"
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
    const QByteArray path = settings.port.toLocal8Bit();
    m_device = HidService::instance().run([&path]() -> hid_device * {
        hid_init();
        hid_device *device = hid_open_path(path.constData());
        if (device)
            hid_set_nonblocking(device, 0);
        return device;
    });
    if (!m_device) {
        *errorCode = kOpenError;
        return false;
    }
    qCDebug(lcLink) << "HID设备打开成功!";
    return true;
}

void HidTransport::close()
{
    if (m_device) {
        hid_device *device = m_device;
        HidService::instance().run([device] { hid_close(device); });
        m_device = nullptr;
    }
}

int HidTransport::maxWriteChunk() const
{
    return HidReport::kMaxPayload;
}

// In the service thread only.
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
    return HidService::instance().run([&]() {
        if (hid_write(m_device, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size())) < 0) {
            *error = lastError();
            return -1;
        }
        return count;
    });
}

LinkTransport::ReadStatus HidTransport::read(int waitMs, QVector<InputChunk> *chunks, QString *error)
{
    if (!m_device)
        return ReadStatus::Ok;
    uint8_t report[HidReport::kInputSize];
    int result = 0;
    bool gone = false;
    HidService::instance().run([&] {
        errno = 0;
        result = hid_read_timeout(m_device, report, sizeof report, waitMs);
        const int readErrno = errno; // errno belongs to the thread that made the call
        if (result < 0) {
            const QString text = lastError();
            gone = Platform::hidReadMeansGone(result, readErrno, text);
            if (gone)
                *error = text;
        }
    });
    if (result >= 1) {
        InputChunk chunk;
        if (HidReport::unpackInput(report, result, &chunk.stream, &chunk.bytes)) {
            chunk.holdMs = chunk.bytes.size() >= HidReport::kMaxPayload ? kContinuationMs : 0;
            chunks->append(chunk);
        }
        return ReadStatus::Ok;
    }
    return gone ? ReadStatus::DeviceGone : ReadStatus::Ok;
}
