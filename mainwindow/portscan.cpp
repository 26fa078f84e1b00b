#include "mainwindow/portscan.h"
#include "link/hidservice.h"

#include <hidapi/hidapi.h>

namespace PortScan {

namespace {
bool isDrive(const HidDevice &device)
{
    return device.vendorId == kVendorId && device.productId == kProductId;
}
} // namespace

QList<HidDevice> enumerateHid()
{
    return HidService::instance().run([] {
        QList<HidDevice> devices;
        hid_device_info *list = hid_enumerate(kVendorId, kProductId);
        for (hid_device_info *d = list; d; d = d->next)
            devices.append(HidDevice{QString::fromLocal8Bit(d->path), d->vendor_id, d->product_id});
        hid_free_enumeration(list);
        return devices;
    });
}

QStringList hidEntries(const QList<HidDevice> &devices, QStringList *paths)
{
    QStringList entries;
    int number = 0;
    for (const HidDevice &device : devices) {
        if (!isDrive(device))
            continue;
        entries.append(QStringLiteral("HID%1").arg(++number));
        if (paths)
            paths->append(device.path);
    }
    return entries;
}

QString hidPathFor(const QString &entry, const QList<HidDevice> &devices)
{
    QStringList paths;
    const int at = hidEntries(devices, &paths).indexOf(entry);
    return at < 0 ? QString() : paths.at(at);
}

} // namespace PortScan
