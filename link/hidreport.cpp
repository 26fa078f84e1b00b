#include "link/hidreport.h"

#include <cstring>

namespace HidReport {

QByteArray packOutput(const char *data, int count, int streamId)
{
    const int n = qBound(0, count, kMaxPayload);
    QByteArray report(kOutputSize, '\0');
    report[1] = char(streamId);
    report[2] = char(n);
    if (n > 0)
        std::memcpy(report.data() + 3, data, size_t(n));
    return report;
}

bool unpackInput(const uint8_t *report, int length, int *streamId, QByteArray *payload)
{
    if (length < 2)
        return false;
    *streamId = report[0];
    const int n = qMin<int>(report[1], qMin(length - 2, kMaxPayload));
    *payload = QByteArray(reinterpret_cast<const char *>(report + 2), n);
    return true;
}

} // namespace HidReport
