#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The port list of the main window: the system's serial ports followed by
// "HID1", "HID2", ... for the drives found on USB.
namespace PortScan {

constexpr quint16 kVendorId = 0x0EFF;
constexpr quint16 kProductId = 0x0001;

struct HidDevice {
    QString path;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// HID devices of the drive's vendor and product, as hidapi lists them (in
// the HID service's thread, which makes every hidapi call).
QList<HidDevice> enumerateHid();

// "HID%1" entries, numbered from 1 over the devices of the drive's vendor
// and product only, with their paths in the same order.
QStringList hidEntries(const QList<HidDevice> &devices, QStringList *paths);

// The path behind an "HID%1" entry; empty when no device has that number.
QString hidPathFor(const QString &entry, const QList<HidDevice> &devices);

} // namespace PortScan
