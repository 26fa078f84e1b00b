#pragma once

// A stand-in for hidapi, linked in place of the real library by the tests and
// benchmarks. It implements the hidapi functions the tool calls and connects
// them to simulated drives, so that the real worker and its HID transport run
// against a drive without hardware. Thread-safe.

#include "sim/driveendpoint.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace HidStandIn {

struct DeviceOptions {
    quint16 vendorId = 0x0EFF;
    quint16 productId = 0x0001;
    QString path; // empty: "/dev/hidraw-simN"
    WaveGenerator::Settings wave;
};

// Plugs in a simulated drive; returns its device path.
QString plug(const DeviceOptions &options = DeviceOptions());
// The device disappears: reads fail with ENODEV, writes fail, enumeration no
// longer lists it and it cannot be opened. Its drive stays readable until reset().
void unplug(const QString &path);
// Removes every device (between tests).
void reset();

// The drive behind a device, for fault switches and counts.
DriveEndpoint *endpoint(const QString &path);

// The next `count` writes to the device fail.
void failWrites(const QString &path, int count);
// Queues a raw input report (stream id, count, payload) `afterMs` from now.
void injectReport(const QString &path, const QByteArray &report, int afterMs = 0);
// Sends text on debug stream 3 (CPU) or 4 (CM), split into reports.
void sendDebug(const QString &path, int stream, const QByteArray &text);

struct WrittenReport {
    qint64 atUs = 0;
    QByteArray bytes;
};
// Output reports written so far, oldest first; taking them forgets them.
QList<WrittenReport> takeWrittenReports(const QString &path);
// Number of times hid_read_timeout was called on the device.
quint64 readCalls(const QString &path);
// How many threads have called hidapi functions since reset(); hidapi is
// not made to be called from more than one.
int callingThreads();

} // namespace HidStandIn
