#include "mainwindow/manualrunreply.h"

#include <cstring>

namespace {
quint16 word(const QByteArray &b, int at)
{
    return quint16(uint8_t(b.at(at)) << 8 | uint8_t(b.at(at + 1)));
}

quint32 dword(const QByteArray &b, int at)
{
    return quint32(word(b, at)) << 16 | word(b, at + 2);
}

float single(const QByteArray &b, int at)
{
    const quint32 bits = dword(b, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
} // namespace

void ManualRunReply::decode(const QByteArray &payload)
{
    const int n = payload.size();
    if (n >= 1)
        driveState = uint8_t(payload.at(0));
    if (n >= 2)
        status = uint8_t(payload.at(1));
    if (n >= 8)
        value = qint32(dword(payload, 4));
    if (n >= 10)
        faultCode = word(payload, 8);
    if (n >= 14)
        inertiaRatio = single(payload, 10);
    for (int i = 0; i < 4; ++i) {
        if (n >= 18 + 4 * i)
            results[size_t(i)] = single(payload, 14 + 4 * i);
    }
    if (n >= 36)
        level = word(payload, 34);
    for (int i = 0; i < 8; ++i) {
        if (n >= 38 + 2 * i)
            levelWords[size_t(i)] = word(payload, 36 + 2 * i);
    }
}
